# CMake generated Testfile for 
# Source directory: /work/main/tests/framework
# Build directory: /work/main/build/tests/framework
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
include("/work/main/build/tests/framework/framework_tests[1]_include.cmake")
