# Stands in for the tests that need TOOL, which is missing, so that the run fails saying so
# instead of passing without them. Usage: cmake -DTOOL=... -DUSERS=... -P missing_tool.cmake
message(FATAL_ERROR "missing ${TOOL}, which ${USERS} need (make deps installs it)")
