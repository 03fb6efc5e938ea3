// The shared library's C functions, all on one core for the whole process.

#include "razizid/core.h"
#include "razizid/razizid_api.h"

namespace {

ombrex::razizid::Core& TheCore() {
  // Never destroyed: the program never calls End, and its callbacks may still
  // be running on the library's threads while the process exits.
  static ombrex::razizid::Core& core =
      *std::make_unique<ombrex::razizid::Core>(
           ombrex::razizid::BackendFactory(ombrex::razizid::MakeBackendFromEnvironment))
           .release();
  return core;
}

}  // namespace

extern "C" {

RAZIZID_EXPORT int RAZIZID_CALL Debug(int level) {
  return TheCore().Debug(level);
}

RAZIZID_EXPORT int RAZIZID_CALL Init(int) {
  return TheCore().Init();
}

RAZIZID_EXPORT int RAZIZID_CALL End(void) {
  return TheCore().End();
}

RAZIZID_EXPORT int RAZIZID_CALL RequestGetDeviceCount(const RazIzidSelector* selector,
                                                      RazIzidCallback callback, uint32_t tag,
                                                      uint32_t verification, uint32_t* unitId) {
  return TheCore().RequestGetDeviceCount(selector, callback, tag, verification, unitId);
}

RAZIZID_EXPORT int RAZIZID_CALL DeleteRequestFromUnitId(uint32_t unitId) {
  return TheCore().DeleteRequestFromUnitId(unitId);
}

RAZIZID_EXPORT int RAZIZID_CALL DeleteRequestFromHandle(RazIzidCallback callback) {
  return TheCore().DeleteRequestFromHandle(callback);
}

RAZIZID_EXPORT int RAZIZID_CALL RequestWrite(const RazIzidSelector* selector,
                                             RazIzidCallback callback, uint32_t tag,
                                             const uint8_t* data, uint32_t length,
                                             uint32_t verification, uint32_t* unitId) {
  return TheCore().RequestWrite(selector, callback, tag, data, length, verification, unitId);
}

RAZIZID_EXPORT int RAZIZID_CALL RequestWriteOne(const RazIzidSelector* selector,
                                                RazIzidCallback callback, uint32_t tag,
                                                const uint8_t* data, uint32_t length,
                                                uint32_t verification, uint32_t* unitId) {
  return TheCore().RequestWriteOne(selector, callback, tag, data, length, verification, unitId);
}

RAZIZID_EXPORT int RAZIZID_CALL RequestStatusWrite(const RazIzidSelector* selector,
                                                   RazIzidCallback callback, uint32_t tag,
                                                   const uint8_t* data, uint32_t length,
                                                   uint32_t verification, uint32_t* unitId) {
  return TheCore().RequestStatusWrite(selector, callback, tag, data, length, verification, unitId);
}

RAZIZID_EXPORT int RAZIZID_CALL RequestStatusGet(const RazIzidSelector* selector,
                                                 RazIzidCallback callback, uint32_t tag,
                                                 uint8_t* data, uint32_t length,
                                                 uint32_t verification, uint32_t* unitId) {
  return TheCore().RequestStatusGet(selector, callback, tag, data, length, verification, unitId);
}

RAZIZID_EXPORT int RAZIZID_CALL RequestAsyncRead(const RazIzidSelector* selector,
                                                 RazIzidCallback callback, uint32_t tag,
                                                 uint32_t verification, uint32_t* unitId) {
  return TheCore().RequestAsyncRead(selector, callback, tag, verification, unitId);
}

RAZIZID_EXPORT int RAZIZID_CALL RequestStatusSetFeature(const RazIzidSelector* selector,
                                                        RazIzidCallback callback, uint32_t tag,
                                                        const uint8_t* data, uint32_t length,
                                                        uint32_t verification, uint32_t* unitId) {
  return TheCore().RequestStatusSetFeature(selector, callback, tag, data, length, verification,
                                           unitId);
}

RAZIZID_EXPORT int RAZIZID_CALL RazIzidLastOpenError(char* buffer, uint32_t capacity) {
  return TheCore().LastOpenError(buffer, capacity);
}

}  // extern "C"
