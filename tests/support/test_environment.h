#pragma once

namespace ombrex::test {

// Points every per-user folder the program could touch (runtime, config, data,
// documents, home) at a private temporary folder for this test process, so a
// test run never reads or changes the developer's own settings and files, and
// two test processes never meet through a socket or lock file. Also makes Qt
// default to the offscreen platform and sets OMBREX_PROGRAM_DIR (the build's
// program folder), OMBREX_TEST_DATA and OMBREX_SOURCE_DIR unless already set.
void IsolateUserEnvironment();

// The RAZIZID_BACKEND through which tests reach the virtual keyboard daemon:
// "virtual", or OMBREX_TEST_BACKEND when a run asks for another ("hid" over
// the hidapi stand-in, which shows the daemon as a hidraw device).
const char* DaemonBackend();

}  // namespace ombrex::test
