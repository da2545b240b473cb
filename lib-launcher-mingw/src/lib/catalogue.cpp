#include "catalogue.h"

#include "java_app.h"
#include "start_java_application.h"

namespace launcher {

namespace {

// The texts are embedded at build time from the catalogue folder chosen at configure time.
constexpr char kTarnText[] = {
#include "tarn.json.inc"
};
constexpr char kLumText[] = {
#include "lum.json.inc"
};

Result<void> run(std::string_view app, std::string_view text) {
  Result<JavaApp> java_app = decode(text);
  if (!java_app) return fail(std::move(java_app).error());
  start_java_application(app, *java_app);
  return {};
}

}  // namespace

Result<void> tarn() { return run("tarn", catalogue_text("tarn")); }

Result<void> lum() { return run("lum", catalogue_text("lum")); }

std::string_view catalogue_text(std::string_view name) {
  // The embedded arrays end with a NUL that is not part of the text.
  if (name == "tarn") return {kTarnText, sizeof kTarnText - 1};
  if (name == "lum") return {kLumText, sizeof kLumText - 1};
  return {};
}

}  // namespace launcher
