# The test files that the Windows build does not build, each with the reason
# it cannot hold there. Everything else runs under Wine like on Linux.
set(ZARAROD_TESTS_NOT_ON_WINDOWS
)
