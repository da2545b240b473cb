// How launcher-catalogue-check shows a decoded record.
#include "catalogue_format.h"

#include <gtest/gtest.h>

#include "java_app.h"

namespace launcher {
namespace {

TEST(CatalogueFormat, EscapesEverythingButPrintableAsciiAndTheBackslash) {
  EXPECT_EQ(escape_for_display(" azAZ09~!/"), " azAZ09~!/");
  EXPECT_EQ(escape_for_display(R"(.\jre)"), R"(.\x5cjre)");
  EXPECT_EQ(escape_for_display("\t\n\x1f\x7f\x80\xff"), R"(\x09\x0a\x1f\x7f\x80\xff)");
  EXPECT_EQ(escape_for_display("\xc3\xa9"), R"(\xc3\xa9)");
  EXPECT_EQ(escape_for_display(""), "");
}

TEST(CatalogueFormat, EntryListsFieldsThenOptionsInOrder) {
  EXPECT_EQ(format_catalogue_entry(JavaApp{R"(a\b)", "m/C", "e\t", {"-x", "\xff", ""}}),
            "jvm_path: a\\x5cb\n"
            "main_class: m/C\n"
            "encrypt_class: e\\x09\n"
            "options: 3\n"
            "option: -x\n"
            "option: \\xff\n"
            "option: \n");
  EXPECT_EQ(format_catalogue_entry(JavaApp{"j", "m", "e", {}}),
            "jvm_path: j\nmain_class: m\nencrypt_class: e\noptions: 0\n");
}

}  // namespace
}  // namespace launcher
