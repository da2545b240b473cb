#include "start_java_application.h"

#include <vector>

#include "jni-adapter.h"
#include "trace.h"

namespace launcher {

void start_java_application(std::string_view app, const JavaApp& java_app) {
  trace("Start java application %.*s\n", static_cast<int>(app.size()), app.data());
  // Pointers into the record's own strings: nothing is copied, and the record outlives the call.
  std::vector<const char*> p_options;
  p_options.reserve(java_app.options.size());
  for (const std::string& option : java_app.options) p_options.push_back(option.c_str());
  initialize_java_app(java_app.jvm_path.c_str(), p_options.data(),
                      static_cast<int>(p_options.size()), java_app.main_class.c_str(),
                      java_app.encrypt_class.c_str());
}

}  // namespace launcher
