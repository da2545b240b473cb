// Hand-off from a decoded configuration to the VM host.
#ifndef LAUNCHER_INIT_START_JAVA_APPLICATION_H_
#define LAUNCHER_INIT_START_JAVA_APPLICATION_H_

#include <string_view>

#include "java_app.h"

namespace launcher {

// Announces `app` and starts the JVM described by `java_app` on this thread. The VM host borrows
// the record's strings for the duration of the call; when the hosted application starts, the call
// does not return (the thread becomes the VM host's keep-alive loop). Returns when the VM, a class
// or the main method could not be set up; the VM host has then reported why.
void start_java_application(std::string_view app, const JavaApp& java_app);

}  // namespace launcher

#endif  // LAUNCHER_INIT_START_JAVA_APPLICATION_H_
