/* A service library that lacks most of its functions. */
#include "device/razizid_api.h"

RAZIZID_EXPORT int RAZIZID_CALL Debug(int level) {
  return level;
}
RAZIZID_EXPORT int RAZIZID_CALL Init(int reserved) {
  return 1 + reserved;
}
RAZIZID_EXPORT int RAZIZID_CALL End(void) {
  return 1;
}
