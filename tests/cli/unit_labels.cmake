# Read by ctest after the GoogleTest cases of tests/cli are listed: they are
# also unit tests. gtest_discover_tests cannot pass a list of labels itself.
foreach(name IN LISTS cli_tests_TESTS rollout_rules_tests_TESTS)
  set_tests_properties("${name}" PROPERTIES LABELS "cli;unit")
endforeach()
