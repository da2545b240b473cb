// What launcher-catalogue-check refuses in a text that decodes, and what it lets pass.
#include "catalogue_findings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace launcher {
namespace {

std::string record(std::string_view main_class, std::string_view option) {
  return R"({"jvm_path": "j", "main_class": ")" + std::string(main_class) +
         R"(", "encrypt_class": "e/C", "options": [")" + std::string(option) + R"("]})";
}

std::vector<std::string> messages(std::string_view text) {
  std::vector<std::string> out;
  for (const Finding& f : check_catalogue_text(text).findings) out.push_back(f.message);
  return out;
}

TEST(CatalogueFindings, OptionsTheVmTakesAndJniClassNamesPass) {
  for (std::string_view option :
       {"-Djava.class.path=a.jar", "--module-path=mods", "--add-modules=ALL-MODULE-PATH",
        "--add-opens=java.base/java.lang=ALL-UNNAMED", "-verbose:class", "-Xshare:auto",
        "-XX:+UseSerialGC", "-enablesystemassertions", "-Dcp=-cp", "-Dhelp", "-javaagent:a.jar"}) {
    EXPECT_EQ(messages(record("a/B", option)), std::vector<std::string>()) << option;
  }
  for (std::string_view name : {"B", "a/b/C$Inner", "a/B "}) {
    EXPECT_EQ(messages(record(name, "-Xmx1g")), std::vector<std::string>()) << name;
  }
}

TEST(CatalogueFindings, RefusesEachFormOfACommandOption) {
  const std::string_view tail = R"(" belongs to the java command; JNI_CreateJavaVM refuses it: )";
  const struct {
    std::string_view option, instead;
  } cases[] = {
      {"--class-path=lib", R"(write "-Djava.class.path=lib")"},
      {"-jar app.jar",
       R"(write "-Djava.class.path=app.jar" and name the jar's main class in main_class)"},
      {"--module app/a.Main",
       R"(name the main class in main_class and its classes in "-Djava.class.path=PATH")"},
      {"-p mods", R"(write "--module-path=mods")"},
      {"-p=mods", R"(write "--module-path=mods")"},
      {"--add-modules", R"(write "--add-modules=VALUE")"},
      {"-version", "remove it"},
      {"-splash:s.png", "remove it"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(messages(record("a/B", c.option)),
              std::vector<std::string>{"option \"" + std::string(c.option) + std::string(tail) +
                                       std::string(c.instead)});
  }
}

TEST(CatalogueFindings, ClassNamesWithoutALikelyFormAskForOne) {
  for (std::string_view name : {"", "a//B", "/a/B", "[La/B;"}) {
    const std::vector<std::string> found = messages(record(name, "-Xmx1g"));
    ASSERT_EQ(found.size(), 1u) << name;
    EXPECT_TRUE(found[0].ends_with("write the class's full name in that form")) << found[0];
  }
  EXPECT_EQ(messages(record("a\\\\b\\\\Main.class", "-Xmx1g")),
            std::vector<std::string>{
                R"(main_class "a\\b\\Main.class" is not a JNI class name (packages separated by )"
                R"(slashes, as in "com/example/Main"): write "a/b/Main")"});
}

TEST(CatalogueFindings, ArrayFormIsPositionedAtEachValue) {
  const std::vector<Finding> found =
      check_catalogue_text("[\"j\",\n  \"a.B\", \"e/C\",\n  [\"-Xmx1g\", \"-cp x\"]]").findings;
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].line, 2u);
  EXPECT_EQ(found[0].column, 3u);
  EXPECT_EQ(found[1].line, 3u);
  EXPECT_EQ(found[1].column, 14u);
}

TEST(CatalogueFindings, JvmPathIsRefusedOnlyAsAFolderThisHostSees) {
  namespace fs = std::filesystem;
  const std::string folder = fs::temp_directory_path().generic_string();
  const fs::path file = fs::temp_directory_path() / "catalogue_findings_test_jvm.dll";
  std::ofstream(file) << "not a library";
  const auto with_jvm = [](std::string_view path) {
    return R"({"jvm_path": ")" + std::string(path) +
           R"(", "main_class": "a/B", "encrypt_class": "e/C", "options": []})";
  };
  const std::vector<Finding> found = check_catalogue_text(with_jvm(folder)).findings;
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].line, 1u);
  EXPECT_EQ(found[0].column, 14u);
  EXPECT_EQ(found[0].message, "jvm_path \"" + folder +
                                  "\" is a folder, which the launcher cannot load as the JVM "
                                  "library: write the path of the library file itself (jvm.dll or "
                                  "libjvm.so)");
  // A file, a relative path (resolved where the launcher runs) and a path this host does not see.
  for (const std::string& path :
       {file.generic_string(), std::string("."), folder + "/catalogue_findings_test_missing/"}) {
    EXPECT_EQ(messages(with_jvm(path)), std::vector<std::string>()) << path;
  }
  fs::remove(file);
}

TEST(CatalogueFindings, OnlyKeysNearAFieldNameAreRefused) {
  EXPECT_EQ(messages(R"({"MAIN_CLASS": 1, "comment": 2, "optoins": 3, "jvm": 4})"),
            (std::vector<std::string>{
                R"(unknown key "MAIN_CLASS", which the launcher ignores: write "main_class")",
                R"(unknown key "optoins", which the launcher ignores: write "options")"}));
  // Not when the decoder stops before the object's end: the text is not JSON.
  EXPECT_EQ(messages(R"({"optoins": 3, )"), std::vector<std::string>());
  EXPECT_EQ(edit_distance("main_clas", "main_class"), 1u);
  EXPECT_EQ(edit_distance("mian_class", "main_class"), 1u);
  EXPECT_EQ(edit_distance("jvm", "jvm_path"), 5u);
}

}  // namespace
}  // namespace launcher
