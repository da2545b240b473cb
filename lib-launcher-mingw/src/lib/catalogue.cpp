#include "catalogue.h"

#include "java_app.h"
#include "start_java_application.h"

namespace launcher {

namespace {

Result<void> run(std::string_view app, std::string_view text) {
  Result<JavaApp> java_app = decode(text);
  if (!java_app) return fail(std::move(java_app).error());
  start_java_application(app, *java_app);
  return {};
}

}  // namespace

Result<void> tarn() { return run("tarn", catalogue_text("tarn")); }

Result<void> lum() { return run("lum", catalogue_text("lum")); }

}  // namespace launcher
