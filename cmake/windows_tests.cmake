# The test files that the Windows build does not build, each with the reason
# it cannot hold there. Everything else runs under Wine like on Linux.
#
# None today: where a single case cannot hold on Windows, the test file has a
# Windows counterpart of it or leaves out just that case (#ifndef _WIN32,
# with the reason beside it).
set(ZARAROD_TESTS_NOT_ON_WINDOWS
)
