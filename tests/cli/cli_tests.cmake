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

# vordex batch reads standard input too; its exit status tells whether every series was fitted
# (0), some were not (3), or the input could not be read (2).
add_test(NAME cli.batch_stdin
         COMMAND sh -c "$<TARGET_FILE:vordex-cli> batch ets --horizon 2 --paths 500 - < \"$1\""
                 sh ${CMAKE_CURRENT_LIST_DIR}/data/two_series.csv)
set_tests_properties(cli.batch_stdin PROPERTIES PASS_REGULAR_EXPRESSION
                                                "south,1963-02,.*fitted 2 series in .*: 2 ok")
add_test(NAME cli.batch_exit_statuses
         COMMAND sh -c "$1 batch arima --order 0,1,1 --seasonal 0,0,0 \"$2\" >/dev/null 2>&1; \
                        test $? -eq 0 || exit 1; \
                        $1 batch arima --order 40,0,0 \"$2\" >/dev/null 2>&1; \
                        test $? -eq 3 || exit 1; \
                        $1 batch arima \"$3\" >/dev/null 2>&1; test $? -eq 2"
                 sh $<TARGET_FILE:vordex-cli> ${CMAKE_CURRENT_LIST_DIR}/data/two_series.csv
                 ${CMAKE_CURRENT_LIST_DIR}/data/non_numeric.csv)
set_tests_properties(cli.batch_stdin cli.batch_exit_statuses PROPERTIES LABELS cli)

# The README's worked example: quarterly sales of four stores; a quarter without a row is named by
# its status without a library code, a quarter marked NA is a gap the fit counts.
add_test(NAME cli.batch_readme_example
         COMMAND vordex-cli batch ets ${CMAKE_CURRENT_LIST_DIR}/data/sales.csv --horizon 4
                 --output /dev/null --summary /dev/stdout)
set_tests_properties(
  cli.batch_readme_example
  PROPERTIES LABELS cli PASS_REGULAR_EXPRESSION
             "east,invalid_data,,no observation for 2020-Q3 \\(between 2020-Q2 and 2020-Q4\\),,,,,,,,15,0,\nwest,ok,0,,[^\n]*,16,1,")

# A saved model forecasts in another process what the fit forecast (the smoothing's limits from
# the same seed), and vordex forecast continues the file's times: for each method whose
# continuation repeats its fit's forecasts.
add_test(NAME cli.save_and_forecast
         COMMAND sh -c "d=$(mktemp -d) && s=0 && \
                        for m in 'ets --paths 500' theta armax; do \
                          $1 $m --dataset airline -H 3 --format csv --save $d/m.json \
                            > $d/fit.csv 2>/dev/null && \
                          $1 forecast --model $d/m.json --format csv > $d/loaded.csv && \
                          tail -n 3 $d/fit.csv > $d/a && tail -n 3 $d/loaded.csv > $d/b && \
                          cmp $d/a $d/b || s=1; \
                        done; rm -rf $d; exit $s"
                 sh $<TARGET_FILE:vordex-cli>)
set_tests_properties(cli.save_and_forecast PROPERTIES LABELS cli)
