// Where the test programs find the simulated component and the tool.
#ifndef PIXMENDER_TESTS_TOOL_TEST_SUPPORT_H
#define PIXMENDER_TESTS_TOOL_TEST_SUPPORT_H

namespace pixmender::testing {

inline const char* SimComponentPath() { return TALVEXCAM_SIM_PATH; }
inline const char* PixmenderPath() { return PIXMENDER_PATH; }

}  // namespace pixmender::testing

#endif
