@echo off
rem Runs a program and prints its exit status as Windows reports it (a signed 32-bit value).
%*
echo exit status %ERRORLEVEL%
