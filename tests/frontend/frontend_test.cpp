// The front end's own logic: argument text conversion and the built-in catalogue texts.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "catalogue.h"
#include "catalogue_source_built_in.h"
#include "catalogue_source_configured.h"
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

launcher::JavaApp Decoded(const char* name) {
  const auto app = launcher::decode(launcher::catalogue_text(name));
  EXPECT_TRUE(app.has_value()) << (app ? "" : app.error().message);
  return app.value_or(launcher::JavaApp{});
}

// The embedded text of entry `name` is its catalogue file, byte for byte, and decodes to what that
// file holds as CMake's JSON reader read it: the embedding and the decoder keep every byte of every
// member.
void ExpectDecodesAsItsSource(const char* name) {
  EXPECT_EQ(launcher::catalogue_text(name), configured::catalogue_file(name)) << name;
  const std::optional<launcher::JavaApp> source = configured::catalogue_source(name);
  ASSERT_TRUE(source.has_value()) << name;
  const launcher::JavaApp app = Decoded(name);
  EXPECT_EQ(app.jvm_path, source->jvm_path);
  EXPECT_EQ(app.main_class, source->main_class);
  EXPECT_EQ(app.encrypt_class, source->encrypt_class);
  EXPECT_EQ(app.options, source->options);
}

TEST(Catalogue, TarnDecodesToTheMainApplication) {
  ExpectDecodesAsItsSource("tarn");
  EXPECT_TRUE(launcher::catalogue_text("TARN").empty());
}

TEST(Catalogue, LumDecodesToTheAdministrationApplication) { ExpectDecodesAsItsSource("lum"); }

// `text` as a JSON string, only its backslashes and quotes escaped, as the built-in texts write it.
std::string Quoted(const std::string& text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '\\' || c == '"') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

// The project's own texts, whatever catalogue this build embeds: a user's may be laid out freely.
TEST(Catalogue, BuiltInTextsArePrettyPrintedWithoutAFinalLineFeed) {
  for (const char* name : {"tarn", "lum"}) {
    const std::string_view text = built_in::catalogue_file(name);
    ASSERT_FALSE(text.empty()) << name;
    EXPECT_EQ(text.substr(0, 18), "{\n    \"jvm_path\": ") << name;
    EXPECT_EQ(text.back(), '}') << name;
    // One key per line, indented by four spaces, in this order.
    size_t at = 0;
    for (const char* key :
         {"\n    \"main_class\": ", "\n    \"encrypt_class\": ", "\n    \"options\": [\n"}) {
      const size_t found = text.find(key, at);
      EXPECT_NE(found, std::string_view::npos) << name << ": " << key;
      at = found == std::string_view::npos ? at : found;
    }
    // Each option on a line of its own, indented by eight spaces.
    const std::vector<std::string> options =
        built_in::catalogue_source(name).value_or(launcher::JavaApp{}).options;
    ASSERT_FALSE(options.empty()) << name;
    for (size_t i = 0; i < options.size(); ++i) {
      const std::string line =
          "\n        " + Quoted(options[i]) + (i + 1 < options.size() ? ",\n" : "\n    ]");
      EXPECT_NE(text.find(line), std::string_view::npos) << name << ": " << line;
    }
  }
}

}  // namespace
