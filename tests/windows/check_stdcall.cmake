# cmake -DNM=<nm> -DOBJECT=<jni-adapter object> -P check_stdcall.cmake
# On 32-bit Windows a __stdcall function pops its own arguments and its symbol carries their size
# (@N). The natives must declare exactly what the JVM pushes: JNIEnv*, the receiver, then the Java
# arguments (16 bytes for the cipher natives, 8 for the key).
execute_process(COMMAND "${NM}" "${OBJECT}" OUTPUT_VARIABLE symbols RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${NM} ${OBJECT} failed")
endif()
foreach(expected "7encrypt[A-Za-z0-9_]*@16" "7decrypt[A-Za-z0-9_]*@16"
                 "27getEncryptedDistributionKey[A-Za-z0-9_]*@8")
  if(NOT symbols MATCHES "${expected}\n")
    message(FATAL_ERROR "no __stdcall symbol matching ${expected} in ${OBJECT}:\n${symbols}")
  endif()
endforeach()
message(STATUS "natives are __stdcall with the full JNI parameter list")
