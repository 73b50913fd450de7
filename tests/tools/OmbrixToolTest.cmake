# Black-box test of the built ombrix-tool: runs it as a user would (through
# Wine for the .exe) and checks exit codes and output.
#   cmake -DTOOL=path -DEMULATOR=wine-runner-or-empty -DWORK=scratch-dir -P OmbrixToolTest.cmake
cmake_minimum_required(VERSION 3.20)

set(failures 0)
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
set(CAPTURE "${WORK}/capture")

# Runs the tool; sets out, err and rc in the caller (CR LF folded to LF).
# Output goes through files, not pipes: Wine's helper processes inherit the
# pipes and would hold every run open until its server exits.
function(tool)
  execute_process(COMMAND ${EMULATOR} ${TOOL} ${ARGN}
                  OUTPUT_FILE "${CAPTURE}.out" ERROR_FILE "${CAPTURE}.err" RESULT_VARIABLE r TIMEOUT 300)
  file(READ "${CAPTURE}.out" o)
  file(READ "${CAPTURE}.err" e)
  string(REPLACE "\r\n" "\n" o "${o}")
  string(REPLACE "\r\n" "\n" e "${e}")
  set(out "${o}" PARENT_SCOPE)
  set(err "${e}" PARENT_SCOPE)
  set(rc "${r}" PARENT_SCOPE)
endfunction()

function(check what condition)
  if(NOT ${condition})
    message(SEND_ERROR "FAILED: ${what}\n  exit: ${rc}\n  stdout: ${out}\n  stderr: ${err}")
    math(EXPR n "${failures} + 1")
    set(failures ${n} PARENT_SCOPE)
  endif()
endfunction()

macro(expect_eq what actual expected)
  if("${actual}" STREQUAL "${expected}")
    set(ok TRUE)
  else()
    set(ok FALSE)
  endif()
  check("${what}: expected '${expected}'" ok)
endmacro()

macro(expect_rc what code)
  if(rc EQUAL ${code})
    set(ok TRUE)
  else()
    set(ok FALSE)
  endif()
  check("${what}: exit ${code}" ok)
endmacro()

macro(expect_out what text)
  string(FIND "${out}" "${text}" at)
  if(at EQUAL -1)
    set(ok FALSE)
  else()
    set(ok TRUE)
  endif()
  check("${what}: output has '${text}'" ok)
endmacro()

macro(expect_err what text)
  string(FIND "${err}" "${text}" at)
  if(at EQUAL -1)
    set(ok FALSE)
  else()
    set(ok TRUE)
  endif()
  check("${what}: error output has '${text}'" ok)
endmacro()

# --help lists every subcommand and succeeds.
tool(--help)
expect_rc("--help" 0)

foreach(cmd fields wildcard list-by-age)
  expect_out("--help" "  ${cmd} ")
endforeach()

# Usage errors exit with 2 and say what is wrong.
tool()
expect_rc("no command" 2)
expect_err("no command" "usage: ombrix-tool COMMAND")
tool(no-such-command)
expect_rc("unknown command" 2)
expect_err("unknown command" "unknown command 'no-such-command'")
tool(fields "a,b")
expect_rc("fields with too few arguments" 2)
expect_err("fields with too few arguments" "usage: ombrix-tool fields TEXT N DELIM")
tool(fields "a,b" two ,)
expect_rc("fields with a non-integer N" 2)
expect_err("fields with a non-integer N" "N must be an integer")
tool(fields "a,b" 1 ab)
expect_rc("fields with a long delimiter" 2)

# fields: GetField and CountFields.
tool(fields "IL,Chicago,LOT" 3 ,)
expect_rc("fields" 0)
expect_eq("fields output" "${out}" "LOT\ncount 3\n")
tool(fields "abc" 0 ,)
expect_eq("fields without delimiter" "${out}" "abc\ncount 0\n")
tool(fields "a\tb" 2 TAB)
expect_eq("fields with TAB" "${out}" "b\ncount 2\n")

# wildcard: one line per name; exit 1 when nothing matches.
tool(wildcard "LOT_N0R_??.BMP" lot_n0r_01.bmp LOT_N0R_1.BMP LOT_N0R_123.BMP)
expect_rc("wildcard" 0)
expect_eq("wildcard output" "${out}" "match\tlot_n0r_01.bmp\nmatch\tLOT_N0R_1.BMP\nno\tLOT_N0R_123.BMP\n")
tool(wildcard "*.gif" a.png)
expect_rc("wildcard without a match" 1)
tool(wildcard "*.gif")
expect_rc("wildcard without names" 2)

# list-by-age: oldest first, equal times by path, other files left out.
file(MAKE_DIRECTORY "${WORK}/Under")
foreach(entry "B.bmp|2020-01-02 10:00:00" "a.bmp|2020-01-02 10:00:00" "c.BMP|2019-12-31 23:59:58"
             "d.bmp|2021-06-01 00:00:00" "e.txt|2018-01-01 00:00:00")
  string(REPLACE "|" ";" parts "${entry}")
  list(GET parts 0 name)
  list(GET parts 1 when)
  file(WRITE "${WORK}/Under/${name}" "x")
  execute_process(COMMAND touch -d "${when}" "${WORK}/Under/${name}" RESULT_VARIABLE r)
endforeach()
set(folder "${WORK}/UNDER")  # names match without regard to case
if(EMULATOR)
  set(folder "Z:${folder}")
endif()
tool(list-by-age "${folder}" "*.bmp")
expect_rc("list-by-age" 0)
string(REGEX REPLACE "\t[^\n]*[/\\\\]" "\t" names "${out}")  # keep the names only
expect_eq("list-by-age order" "${names}" "20191231235958\tc.BMP\n20200102100000\ta.bmp\n20200102100000\tB.bmp\n20210601000000\td.bmp\ncount 4\n")
tool(list-by-age "${folder}")
expect_rc("list-by-age without a pattern" 2)
tool(list-by-age "${folder}" "*.none")
expect_rc("list-by-age with nothing found" 0)
expect_eq("list-by-age with nothing found" "${out}" "count 0\n")
# convert: one conversion on real files; exit 0 only on success.
if(MAKE_IMAGES)
  set(win "")
  if(EMULATOR)
    set(win "Z:")
  endif()
  foreach(d Source Local Lan)
    file(MAKE_DIRECTORY "${WORK}/${d}")
  endforeach()
  execute_process(COMMAND ${EMULATOR} ${MAKE_IMAGES} "${win}${WORK}/Source" RESULT_VARIABLE r
                  OUTPUT_FILE "${CAPTURE}.out" ERROR_FILE "${CAPTURE}.err" TIMEOUT 300)
  set(rc "${r}")
  expect_rc("make-test-images" 0)
  set(src "${win}${WORK}/Source/")
  set(localDir "${win}${WORK}/Local/")
  set(lanDir "${win}${WORK}/Lan/")
  # Server mode, a RIDGE GIF: the underlay and bounds file locally, the raw
  # files with the legend to the LAN, and the redraw.
  tool(convert "${src}" "IL,Chicago,LOT" "Short Range Reflectivity, N0R" --target "${localDir}" --target "${lanDir}"
       --local "${localDir}" --legend --underlay lot_n0r_0.bmp)
  expect_rc("convert GIF" 0)
  expect_out("convert GIF" "Status\tOK\n")
  expect_out("convert GIF" "Redraw map\n")
  expect_out("convert GIF" "FileLbl\tProcessed and transferred raw files in ")
  expect_out("convert GIF" "WorldText\t-92.5874862670898,44.409984588623,-85.516487121582,38.9264831542969\n")
  expect_out("convert GIF" "Result\ttrue\n")
  file(SIZE "${WORK}/Local/LOT_N0R_0.bmp" size)
  expect_eq("convert GIF underlay size" "${size}" "331078")
  file(READ "${WORK}/Local/LOT_N0R_0.Sat" bounds HEX)
  string(LENGTH "${bounds}" boundsHex)
  expect_eq("convert GIF bounds file length" "${boundsHex}" "138")  # 67 characters + CR LF
  file(GLOB forwarded RELATIVE "${WORK}/Lan" "${WORK}/Lan/*")
  list(SORT forwarded)
  expect_eq("convert GIF forwards" "${forwarded}" "LOT_N0R_0.gfw;LOT_N0R_0.gif;LOT_N0R_Legend_0.gif")
  # A missing image fails with its text; wrong arguments are usage errors.
  tool(convert "${lanDir}" "IL,Chicago,DIX" "Short Range Reflectivity, N0R" --target "${localDir}")
  expect_rc("convert without an image" 1)
  expect_out("convert without an image" "FileLbl\tFile DIX_N0R_0.gif does not exist, cannot convert\n")
  expect_out("convert without an image" "Result\tfalse\n")
  tool(convert "${src}" "IL,Chicago,LOT")
  expect_rc("convert with too few arguments" 2)
  tool(convert "${src}" "IL,Chicago,LOT" "Short Range Reflectivity, N0R" --target)
  expect_rc("convert with an option lacking its value" 2)
endif()

file(REMOVE_RECURSE "${WORK}")

if(failures GREATER 0)
  message(FATAL_ERROR "${failures} ombrix-tool check(s) failed")
endif()
message(STATUS "ombrix-tool: all checks passed")
