# CMake generated Testfile for 
# Source directory: /work/main
# Build directory: /work/main/build
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
subdirs("src/platform/kernel")
subdirs("src/platform/win")
subdirs("src/framework")
subdirs("src/app")
subdirs("src/overlay")
subdirs("tests")
subdirs("bench")
