set(  framework_tests_TESTS)
