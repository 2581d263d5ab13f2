# vordex_wine_command(OUT WINE ARGS...): the command line that runs WINE ARGS... in the tests'
# own Wine prefix (PREFIX), without a display and without the .NET and HTML installers that a
# new prefix would otherwise offer.
function(vordex_wine_command out)
  set(${out}
      ${CMAKE_COMMAND} -E env --unset=DISPLAY WINEPREFIX=${PREFIX} WINEDEBUG=-all
      WINEDLLOVERRIDES=mscoree,mshtml= ${ARGN}
      PARENT_SCOPE)
endfunction()
