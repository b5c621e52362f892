# Runs one program and checks its exit code and standard output:
#   cmake -DCOMMAND=prog;arg;... -DEXIT=0 -DEXPECT=regex [-DEXPECT_ERR=regex] -P RunCommand.cmake
# Runs without a display, as from a plain terminal.
unset(ENV{DISPLAY})
unset(ENV{WAYLAND_DISPLAY})
unset(ENV{QT_QPA_PLATFORM})
execute_process(COMMAND ${COMMAND} RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT code STREQUAL "${EXIT}")
  message(FATAL_ERROR "${COMMAND}: exit ${code}, expected ${EXIT}\nstdout:\n${out}\nstderr:\n${err}")
endif()
if(NOT out MATCHES "${EXPECT}")
  message(FATAL_ERROR "${COMMAND}: standard output does not match '${EXPECT}':\n${out}")
endif()
if(DEFINED EXPECT_ERR AND NOT err MATCHES "${EXPECT_ERR}")
  message(FATAL_ERROR "${COMMAND}: standard error does not match '${EXPECT_ERR}':\n${err}")
endif()
