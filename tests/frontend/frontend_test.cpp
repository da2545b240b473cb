// The front end's own logic: argument text conversion and the built-in catalogue texts.
#include <gtest/gtest.h>

#include <string>

#include "catalogue.h"
#include "java_app.h"
#include "utf8_text.h"

namespace {

using launcher::utf8_lossy;

TEST(Utf8Lossy, KeepsValidTextUnchanged) {
  EXPECT_EQ(utf8_lossy(""), "");
  EXPECT_EQ(utf8_lossy("tarn"), "tarn");
  const std::string valid = "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF\xED\x9F\xBF";
  EXPECT_EQ(utf8_lossy(valid), valid);
}

TEST(Utf8Lossy, ReplacesEachMaximalIllFormedSubsequenceOnce) {
  const std::string r = "\xEF\xBF\xBD";
  EXPECT_EQ(utf8_lossy("a\xFF\xFE"
                       "b\xC3"),
            "a" + r + r + "b" + r);
  // A truncated three-byte sequence is one replacement; the byte that broke it starts afresh.
  EXPECT_EQ(utf8_lossy("\xE2\x82"
                       "A"),
            r + "A");
  EXPECT_EQ(utf8_lossy("\xE2\x82\xE2\x82\xAC"), r + "\xE2\x82\xAC");
  // Overlong forms, surrogates and code points past U+10FFFF: the lead byte alone is replaced,
  // and every following continuation byte too.
  EXPECT_EQ(utf8_lossy("\xC0\xAF"), r + r);
  EXPECT_EQ(utf8_lossy("\xE0\x80\xAF"), r + r + r);
  EXPECT_EQ(utf8_lossy("\xED\xA0\x80"), r + r + r);
  EXPECT_EQ(utf8_lossy("\xF4\x90\x80\x80"), r + r + r + r);
  EXPECT_EQ(utf8_lossy("\xF0\x9F\x98"), r);
  EXPECT_EQ(utf8_lossy("\x80"
                       "x"),
            r + "x");
}

// The options both applications start with.
const std::vector<std::string> kCommonOptions = {"-verbose:jni,class",
                                                 "-Djava.ext.dirs=.\\jre\\lib\\ext;.\\ext;.\\lib;",
                                                 "-Djava.library.path=.\\bin;.\\lib",
                                                 "-Xshare:auto",
                                                 "-Xverify:none",
                                                 "-XX:MaxHeapFreeRatio=5",
                                                 "-XX:MinHeapFreeRatio=5"};

launcher::JavaApp Decoded(const char* name) {
  const auto app = launcher::decode(launcher::catalogue_text(name));
  EXPECT_TRUE(app.has_value()) << (app ? "" : app.error().message);
  return app.value_or(launcher::JavaApp{});
}

TEST(Catalogue, TarnDecodesToTheMainApplication) {
  const launcher::JavaApp app = Decoded("tarn");
  EXPECT_EQ(app.jvm_path, ".\\jre\\bin\\client\\jvm.dll");
  EXPECT_EQ(app.main_class, "veltra/kova/EnrolMain");
  EXPECT_EQ(app.encrypt_class, "veltra/kova/security/impl/DistributionKeyProviderImpl");
  std::vector<std::string> options = kCommonOptions;
  options.insert(options.end(), {"-Xms128m", "-Xmx768m", "-DimType=swing", "-Dfile.encoding=UTF-8",
                                 "-Djavax.net.ssl.trustStoreType=WINDOWS-ROOT",
                                 "-Dsun.java2d.ddscale=true", "-Dsun.java2d.translaccel=true"});
  EXPECT_EQ(app.options, options);
}

TEST(Catalogue, LumDecodesToTheAdministrationApplication) {
  const launcher::JavaApp app = Decoded("lum");
  EXPECT_EQ(app.jvm_path, ".\\jre\\bin\\client\\jvm.dll");
  EXPECT_EQ(app.main_class, "veltra/lum/EnrolAdminMain");
  EXPECT_EQ(app.encrypt_class, "veltra/kova/security/impl/DistributionKeyProviderImpl");
  std::vector<std::string> options = kCommonOptions;
  options.insert(options.end(), {"-Xms32m", "-Xmx320m", "-DimType=swing",
                                 "-Djavax.net.ssl.trustStoreType=WINDOWS-ROOT"});
  EXPECT_EQ(app.options, options);
}

TEST(Catalogue, TextsArePrettyPrintedWithoutAFinalLineFeed) {
  for (const char* name : {"tarn", "lum"}) {
    const std::string_view text = launcher::catalogue_text(name);
    ASSERT_FALSE(text.empty()) << name;
    EXPECT_EQ(text.substr(0, 18), "{\n    \"jvm_path\": ") << name;
    EXPECT_EQ(text.back(), '}') << name;
    EXPECT_NE(text.find("\n        \"-verbose:jni,class\",\n"), std::string_view::npos) << name;
  }
  EXPECT_TRUE(launcher::catalogue_text("TARN").empty());
}

}  // namespace
