# Writes OUTPUT, a C++ file defining vordex::cli::EmbeddedSeriesValues() from the CSV files listed
# in INPUTS. Each file holds the header line `y` and one number per line; the series is named
# after the file. Numbers are copied as written, so the compiler rounds them exactly as a reader
# of the file would.
cmake_minimum_required(VERSION 3.24)

set(number_regex "^[-+]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][-+]?[0-9]+)?$")
set(arrays "")
set(entries "")
list(SORT INPUTS)
foreach(input IN LISTS INPUTS)
  get_filename_component(name ${input} NAME_WE)
  if(NOT name MATCHES "^[a-z][a-z0-9_]*$")
    message(FATAL_ERROR "${input}: a series name must be lower-case letters, digits and _")
  endif()
  file(STRINGS ${input} lines)
  list(POP_FRONT lines header)
  string(STRIP "${header}" header)
  if(NOT header STREQUAL "y")
    message(FATAL_ERROR "${input}: the first line must be the header y")
  endif()
  set(values "")
  set(count 0)
  foreach(line IN LISTS lines)
    string(STRIP "${line}" line)
    if(line STREQUAL "")
      continue()
    endif()
    if(NOT line MATCHES "${number_regex}")
      math(EXPR at "${count} + 2")
      message(FATAL_ERROR "${input}: line ${at} is not a number: ${line}")
    endif()
    string(APPEND values "    ${line},\n")
    math(EXPR count "${count} + 1")
  endforeach()
  if(count EQUAL 0)
    message(FATAL_ERROR "${input}: no observations")
  endif()
  string(APPEND arrays "constexpr double k_${name}[] = {\n${values}};\n\n")
  string(APPEND entries "    {\"${name}\", k_${name}},\n")
endforeach()

set(content "// Generated from data/*.csv at build time; do not edit.
#include \"datasets.h\"

namespace vordex::cli {
namespace {

${arrays}constexpr EmbeddedValues kAll[] = {
${entries}};

}  // namespace

std::span<const EmbeddedValues> EmbeddedSeriesValues() { return kAll; }

}  // namespace vordex::cli
")
file(WRITE ${OUTPUT} "${content}")
