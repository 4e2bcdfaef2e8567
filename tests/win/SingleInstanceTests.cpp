#include <gtest/gtest.h>

#include <string>

#include "app/Platform.h"

using namespace kelo;

namespace {

std::wstring GuardName(const wchar_t* what) {
    return L"Kelo test guard " + std::wstring(what) + L" " + std::to_wstring(GetCurrentProcessId());
}

TEST(SingleInstance, SecondTakerIsToldAnotherCopyRuns) {
    const std::wstring name = GuardName(L"plain");
    auto first = app::TakeSingleInstanceMutex(name.c_str());
    ASSERT_TRUE(first.has_value());
    EXPECT_TRUE(static_cast<bool>(*first));
    EXPECT_FALSE(app::TakeSingleInstanceMutex(name.c_str()).has_value());
    first.reset();
    EXPECT_TRUE(app::TakeSingleInstanceMutex(name.c_str()).has_value());
}

// A copy started in another security context holds a mutex this process may not open:
// that is a running copy too.
TEST(SingleInstance, MutexThatCannotBeOpenedMeansAnotherCopyRuns) {
    const std::wstring name = GuardName(L"locked");
    SECURITY_DESCRIPTOR descriptor;
    ASSERT_TRUE(InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
    alignas(DWORD) BYTE aclBytes[sizeof(ACL)];
    auto* noAccess = reinterpret_cast<ACL*>(aclBytes);
    ASSERT_TRUE(InitializeAcl(noAccess, sizeof aclBytes, ACL_REVISION));
    ASSERT_TRUE(SetSecurityDescriptorDacl(&descriptor, TRUE, noAccess, FALSE));
    SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, FALSE};
    HANDLE held = CreateMutexW(&attributes, TRUE, name.c_str());
    ASSERT_NE(held, nullptr);

    SetLastError(0);
    HANDLE probe = CreateMutexW(nullptr, TRUE, name.c_str());
    const DWORD error = GetLastError();
    if (probe) CloseHandle(probe);
    if (error != ERROR_ACCESS_DENIED) {
        CloseHandle(held);
        GTEST_SKIP() << "this system does not enforce the mutex's access list (error " << error
                     << ")";
    }
    EXPECT_FALSE(app::TakeSingleInstanceMutex(name.c_str()).has_value());
    CloseHandle(held);
}

}  // namespace
