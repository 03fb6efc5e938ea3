#include "device/service_library.h"

#include <gtest/gtest.h>

#include <variant>

#include "platform/text.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/device/fake_library.h"

namespace ombrex {
namespace {

std::string TextOf(const ServiceLibraryResult& result) {
  const auto* error = std::get_if<ServiceLibraryError>(&result);
  return error != nullptr ? Utf8FromUtf16(error->Text()) : std::string();
}

TEST(ServiceLibrary, MissingFileIsReportedWithItsPath) {
  test::TempDir dir;
  const auto path = dir / "libRazIzid.so";
  const ServiceLibraryResult result = LoadServiceLibrary(path);
  ASSERT_TRUE(std::holds_alternative<ServiceLibraryError>(result));
  EXPECT_EQ(std::get<ServiceLibraryError>(result).reason, ServiceLibraryError::Reason::NotLoadable);
  const std::string text = TextOf(result);
  EXPECT_NE(text.find(path.string()), std::string::npos) << text;
  EXPECT_NE(text.find("cannot be loaded"), std::string::npos) << text;
  EXPECT_EQ(text.find('\n'), std::string::npos) << "one line";
}

TEST(ServiceLibrary, LibraryWithoutAllTwelveFunctionsNamesTheFirstMissing) {
  const ServiceLibraryResult result = LoadServiceLibrary(OMBREX_INCOMPLETE_LIBRARY);
  ASSERT_TRUE(std::holds_alternative<ServiceLibraryError>(result)) << "bound anyway";
  const auto& error = std::get<ServiceLibraryError>(result);
  EXPECT_EQ(error.reason, ServiceLibraryError::Reason::MissingFunction);
  EXPECT_EQ(error.detail, "RequestGetDeviceCount");
  EXPECT_NE(TextOf(result).find("missing function RequestGetDeviceCount"), std::string::npos);
}

int RAZIZID_CALL RefusingInit(int) {
  return 0;
}
int initCalls = 0;
int RAZIZID_CALL CountingInit(int) {
  ++initCalls;
  return 1;
}

TEST(ServiceLibrary, InitAtOrBelowZeroIsAnError) {
  test::FakeLibrary fake;
  RazIzidFunctions functions = fake.Library().Functions();
  functions.Init = &RefusingInit;
  const ServiceLibraryResult refused = BindServiceLibrary(functions, "libRazIzid.so");
  ASSERT_TRUE(std::holds_alternative<ServiceLibraryError>(refused));
  EXPECT_EQ(std::get<ServiceLibraryError>(refused).reason,
            ServiceLibraryError::Reason::InitRefused);
  EXPECT_NE(TextOf(refused).find("Init returned 0"), std::string::npos) << TextOf(refused);

  functions.Init = &CountingInit;
  initCalls = 0;
  const ServiceLibraryResult bound = BindServiceLibrary(functions);
  ASSERT_TRUE(std::holds_alternative<ServiceLibrary>(bound));
  EXPECT_EQ(initCalls, 1);
  EXPECT_TRUE(std::get<ServiceLibrary>(bound).Complete());
}

TEST(ServiceLibrary, TableWithAHoleIsNotBoundAndInitIsNotCalled) {
  test::FakeLibrary fake;
  RazIzidFunctions functions = fake.Library().Functions();
  functions.Init = &CountingInit;
  functions.RequestStatusSetFeature = nullptr;
  initCalls = 0;
  const ServiceLibraryResult result = BindServiceLibrary(functions);
  ASSERT_TRUE(std::holds_alternative<ServiceLibraryError>(result));
  EXPECT_EQ(std::get<ServiceLibraryError>(result).detail, "RequestStatusSetFeature");
  EXPECT_EQ(initCalls, 0);
}

}  // namespace
}  // namespace ombrex
