#include "catalogue_findings.h"

#include <algorithm>
#include <array>
#include <exception>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>

#include "java_app.h"
#include "json_reader.h"

namespace launcher {

namespace {

// A key further than this from every field's name is taken for a member meant to be ignored.
constexpr std::size_t kMaxMisspelling = 2;

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// A binary class name in the internal form that FindClass takes: unqualified names separated by
// single slashes, none empty, none holding '.', ';' or '[' (the last two make array classes and
// descriptors, never a class to start).
bool is_jni_class_name(std::string_view name) {
  std::size_t segment = 0;
  for (char c : name) {
    if (c == '/') {
      if (segment == 0) return false;
      segment = 0;
    } else if (c == '.' || c == ';' || c == '[') {
      return false;
    } else {
      ++segment;
    }
  }
  return segment > 0;
}

// The name `written` most likely meant: white space around it dropped, a file suffix dropped, dots
// and backslashes made slashes.
std::string likely_class_name(std::string_view written) {
  while (!written.empty() && is_space(written.front())) written.remove_prefix(1);
  while (!written.empty() && is_space(written.back())) written.remove_suffix(1);
  for (std::string_view suffix : {std::string_view(".class"), std::string_view(".java")}) {
    if (written.size() > suffix.size() && written.substr(written.size() - suffix.size()) == suffix)
      written.remove_suffix(suffix.size());
  }
  std::string name(written);
  std::replace(name.begin(), name.end(), '.', '/');
  std::replace(name.begin(), name.end(), '\\', '/');
  return name;
}

std::optional<std::string> class_name_finding(std::string_view field, std::string_view value) {
  if (is_jni_class_name(value)) return std::nullopt;
  std::string message = std::string(field) + " " + json::quote_for_message(value) +
                        " is not a JNI class name (packages separated by slashes, as in "
                        "\"com/example/Main\"): write ";
  const std::string likely = likely_class_name(value);
  if (is_jni_class_name(likely)) {
    message += json::quote_for_message(likely);
  } else {
    message += "the class's full name in that form";
  }
  return message;
}

// What to do instead of an option of the `java` command.
enum class Instead {
  class_path,   // name the path in java.class.path
  jar,          // name the jar in java.class.path, its main class in main_class
  module,       // a main class and a class path instead
  equals_form,  // the VM takes the option itself only as NAME=VALUE
  remove,       // the command acts on it itself; the VM has no use for it
};

struct CommandOption {
  std::string_view name;
  Instead instead;
};

// Options the `java` command reads itself and JNI_CreateJavaVM refuses ("Unrecognized option"),
// as observed with OpenJDK 17's libjvm. An option is matched on its name, the part before the
// first space, '=' or ':'.
constexpr std::array<CommandOption, 35> kCommandOptions = {{
    {"-cp", Instead::class_path},
    {"-classpath", Instead::class_path},
    {"--class-path", Instead::class_path},
    {"-jar", Instead::jar},
    {"-m", Instead::module},
    {"--module", Instead::module},
    {"-p", Instead::equals_form},
    {"--module-path", Instead::equals_form},
    {"--upgrade-module-path", Instead::equals_form},
    {"--add-modules", Instead::equals_form},
    {"--add-exports", Instead::equals_form},
    {"--add-opens", Instead::equals_form},
    {"--add-reads", Instead::equals_form},
    {"--patch-module", Instead::equals_form},
    {"--limit-modules", Instead::equals_form},
    {"-version", Instead::remove},
    {"--version", Instead::remove},
    {"-showversion", Instead::remove},
    {"--show-version", Instead::remove},
    {"-help", Instead::remove},
    {"--help", Instead::remove},
    {"-h", Instead::remove},
    {"-?", Instead::remove},
    {"-server", Instead::remove},
    {"-client", Instead::remove},
    {"-d32", Instead::remove},
    {"-d64", Instead::remove},
    {"-d", Instead::remove},
    {"--describe-module", Instead::remove},
    {"--list-modules", Instead::remove},
    {"--validate-modules", Instead::remove},
    {"--dry-run", Instead::remove},
    {"--source", Instead::remove},
    {"-splash", Instead::remove},
    {"-XshowSettings", Instead::remove},
}};

std::optional<std::string> option_finding(std::string_view option) {
  const std::size_t end = std::min(option.find_first_of(" =:"), option.size());
  const std::string_view name = option.substr(0, end);
  const auto known = std::find_if(kCommandOptions.begin(), kCommandOptions.end(),
                                  [&](const CommandOption& o) { return o.name == name; });
  if (known == kCommandOptions.end()) return std::nullopt;
  // "-p" is the short form of --module-path, which alone the VM takes with '='.
  const std::string_view long_name = name == "-p" ? "--module-path" : name;
  const bool equals_form = end < option.size() && option[end] == '=';
  if (known->instead == Instead::equals_form && equals_form && name == long_name)
    return std::nullopt;
  std::string_view value = end < option.size() ? option.substr(end + 1) : std::string_view();
  while (!value.empty() && is_space(value.front())) value.remove_prefix(1);
  const auto or_else = [&](std::string_view placeholder) {
    return std::string(value.empty() ? placeholder : value);
  };
  std::string message = "option " + json::quote_for_message(option) +
                        " belongs to the java command; JNI_CreateJavaVM refuses it: ";
  switch (known->instead) {
    case Instead::class_path:
      message += "write " + json::quote_for_message("-Djava.class.path=" + or_else("PATH"));
      break;
    case Instead::jar:
      message += "write " + json::quote_for_message("-Djava.class.path=" + or_else("JAR")) +
                 " and name the jar's main class in main_class";
      break;
    case Instead::module:
      message += "name the main class in main_class and its classes in \"-Djava.class.path=PATH\"";
      break;
    case Instead::equals_form:
      message +=
          "write " + json::quote_for_message(std::string(long_name) + "=" + or_else("VALUE"));
      break;
    case Instead::remove:
      message += "remove it";
      break;
  }
  return message;
}

std::string ascii_lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// Only a path that is absolute on the build host and names a folder there: a relative path resolves
// against the working directory of the launcher's run, and the host may not see the machine the
// launcher runs on, so nothing else about the path can be judged here.
std::optional<std::string> jvm_path_finding(std::string_view path) {
  std::error_code error;
  bool folder = false;
  try {
    const std::filesystem::path p(path);
    folder = p.is_absolute() && std::filesystem::is_directory(p, error);
  } catch (const std::exception&) {
    // The bytes are no path in this host's encoding (Windows converts them): the host cannot see
    // it.
  }
  if (!folder) return std::nullopt;
  return "jvm_path " + json::quote_for_message(path) +
         " is a folder, which the launcher cannot load as the JVM library: write the path of the "
         "library file itself (jvm.dll or libjvm.so)";
}

std::optional<std::string> key_finding(std::string_view key) {
  const std::string folded = ascii_lower(key);
  std::size_t best = kMaxMisspelling + 1;
  std::string_view meant;
  for (std::string_view field : kFieldNames) {
    const std::size_t d = edit_distance(folded, field);
    if (d < best) {
      best = d;
      meant = field;
    }
  }
  if (meant.empty()) return std::nullopt;
  return "unknown key " + json::quote_for_message(key) + ", which the launcher ignores: write \"" +
         std::string(meant) + "\"";
}

// Where the decoder found the parts of the record, and the keys it would ignore that look like a
// misspelt field.
class Layout final : public DecodeObserver {
 public:
  void key(std::string_view key, std::size_t field, std::size_t offset) override {
    if (field != kIgnoredKey) return;
    if (auto message = key_finding(key)) misspelt.emplace_back(offset, std::move(*message));
  }
  void value(std::size_t field, std::size_t offset) override { values[field] = offset; }
  void option(std::size_t, std::size_t offset) override { options.push_back(offset); }
  void closed() override { whole = true; }

  std::vector<std::pair<std::size_t, std::string>> misspelt;  // offset of the key's quote, message
  std::array<std::size_t, kFieldNames.size()> values{};       // meaningful iff the text decodes
  std::vector<std::size_t> options;                           // offsets of the elements
  bool whole = false;                                         // the record was read to its end
};

// Positioned as the decoder's messages are, naming the byte at `offset` itself.
Finding finding_at(std::string_view text, std::size_t offset, std::string message) {
  const json::Position at = json::position_after(text, offset + 1);
  return Finding{at.line, at.column, std::move(message)};
}

}  // namespace

std::size_t edit_distance(std::string_view a, std::string_view b) {
  // Three rows of the dynamic-programming table: two back, one back, current.
  std::vector<std::size_t> two(b.size() + 1), one(b.size() + 1), row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) one[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
      row[j] = std::min({one[j] + 1, row[j - 1] + 1, one[j - 1] + cost});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        row[j] = std::min(row[j], two[j - 2] + 1);
    }
    std::swap(two, one);
    std::swap(one, row);
  }
  return one[b.size()];
}

CatalogueCheck check_catalogue_text(std::string_view text) {
  Layout layout;
  Result<JavaApp> app = decode(text, &layout);
  std::vector<Finding> findings;
  const auto add = [&](std::size_t offset, std::string message) {
    findings.push_back(finding_at(text, offset, std::move(message)));
  };
  if (layout.whole) {
    for (auto& [offset, message] : layout.misspelt) add(offset, std::move(message));
  }
  if (app) {
    if (auto message = jvm_path_finding(app->jvm_path)) add(layout.values[kJvmPath], *message);
    const std::array<std::pair<std::size_t, const std::string*>, 2> classes = {
        {{kMainClass, &app->main_class}, {kEncryptClass, &app->encrypt_class}}};
    for (const auto& [field, value] : classes) {
      if (auto message = class_name_finding(kFieldNames[field], *value))
        add(layout.values[field], *message);
    }
    for (std::size_t k = 0; k < app->options.size(); ++k) {
      if (auto message = option_finding(app->options[k])) add(layout.options[k], *message);
    }
  }
  std::stable_sort(findings.begin(), findings.end(), [](const Finding& a, const Finding& b) {
    return a.line != b.line ? a.line < b.line : a.column < b.column;
  });
  return CatalogueCheck{std::move(app), std::move(findings)};
}

}  // namespace launcher
