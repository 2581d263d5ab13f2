# Runs the built vordex tool as a user would: success exits with 0, a bad input does not.
add_test(NAME cli.help COMMAND vordex-cli --help)
add_test(NAME cli.version COMMAND vordex-cli --version)
add_test(NAME cli.datasets COMMAND vordex-cli datasets)
add_test(NAME cli.bad_csv COMMAND vordex-cli series ${CMAKE_CURRENT_LIST_DIR}/data/non_numeric.csv
                                  --column passengers)
set_tests_properties(cli.bad_csv PROPERTIES WILL_FAIL TRUE)
add_test(NAME cli.bad_csv_message
         COMMAND vordex-cli series ${CMAKE_CURRENT_LIST_DIR}/data/non_numeric.csv --column 2)
set_tests_properties(cli.bad_csv_message PROPERTIES PASS_REGULAR_EXPRESSION
                                                    "line 3, column 2: \"abc\" is not a number")
set_tests_properties(cli.help cli.version cli.datasets cli.bad_csv cli.bad_csv_message
                     PROPERTIES LABELS cli)
