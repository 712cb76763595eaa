// The single-instance check of the start: which answers of the platform
// end the process and what is handed over.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/StartUp.h"
#include "platform/NativePlatform.h"

namespace app {
namespace {

using Claim = platform::Platform::InstanceClaim;

class FakeInstancePlatform : public platform::NativePlatform {
  public:
    std::string ProgramFilePath() override { return program; }
    Claim ClaimSingleInstance(const std::string& name) override {
        claimed.push_back(name);
        if (claimed.size() > 1 && !laterClaims.empty()) {
            const Claim next = laterClaims.front();
            laterClaims.erase(laterClaims.begin());
            return next;
        }
        return claim;
    }
    bool HandOverToRunningInstance(const std::string& name,
                                   const std::vector<std::string>& arguments) override {
        EXPECT_EQ(name, program);
        handed = arguments;
        ++handOvers;
        return reachable;
    }

    std::string program = "/opt/zv/zayavka";
    Claim claim = Claim::First;
    bool reachable = true;
    // What the claims after the first answer (then `claim` again).
    std::vector<Claim> laterClaims;
    std::vector<std::string> claimed;
    std::optional<std::vector<std::string>> handed;
    int handOvers = 0;
};

struct InstanceCase {
    const char* name;
    const char* program;
    Claim claim;
    bool reachable;
    std::optional<int> exitCode;
    bool handsOver;
};

TEST(SingleInstanceCheckTest, OnlyASuccessfulHandOverOrAFreeLockEndsTheCheck) {
    using namespace std::chrono_literals;
    struct Case : InstanceCase {
        std::vector<Claim> laterClaims;
        int handOvers;
        size_t claims;
        std::chrono::milliseconds patience = 10s;
    };
    const Case cases[] = {
        {{"first copy", "/opt/zv/zayavka", Claim::First, true, std::nullopt, false}, {}, 0, 1},
        {{"no lock on this system", "/opt/zv/zayavka", Claim::Unavailable, true, std::nullopt,
          false},
         {},
         0,
         1},
        {{"later copy", "/opt/zv/zayavka", Claim::Other, true, 0, true}, {}, 1, 1},
        // The running copy ends while this one tries: this one starts, once
        // the lock is free, as the only copy.
        {{"running copy gone", "/opt/zv/zayavka", Claim::Other, false, std::nullopt, true},
         {Claim::Other, Claim::Other, Claim::First},
         3,
         4},
        // A copy that holds the lock and does not answer never gets a second
        // full copy beside it.
        {{"running copy hung", "/opt/zv/zayavka", Claim::Other, false, 1, true}, {}, 1, 2, 0ms},
        {{"program file unknown", "", Claim::Other, true, std::nullopt, false}, {}, 0, 0},
    };
    for (const Case& c : cases) {
        FakeInstancePlatform os;
        os.program = c.program;
        os.claim = c.claim;
        os.reachable = c.reachable;
        os.laterClaims = c.laterClaims;
        platform::Platform* previous = platform::SetCurrentPlatform(&os);
        const std::optional<int> exitCode = CheckSingleInstance({"a.zv"}, c.patience);
        platform::SetCurrentPlatform(previous);
        EXPECT_EQ(exitCode, c.exitCode) << c.name;
        EXPECT_EQ(os.handed.has_value(), c.handsOver) << c.name;
        EXPECT_EQ(os.handOvers, c.handOvers) << c.name;
        EXPECT_EQ(os.claimed.size(), c.claims) << c.name;
    }
}

TEST(SingleInstanceCheckTest, FilesGoOverWithFullPathsAndSwitchesAsTheyAre) {
    FakeInstancePlatform os;
    os.claim = Claim::Other;
    platform::Platform* previous = platform::SetCurrentPlatform(&os);
    EXPECT_EQ(CheckSingleInstance({"-k", "orders/a.txt", "/abs/Zakaz 1.zv", "Заявка.zv"}), 0);
    platform::SetCurrentPlatform(previous);
    // In UTF-8 and with the system's separators; "/abs/..." has no drive
    // on Windows, so there it is on the current folder's.
    const auto full = [](const std::string& name) {
        const std::u8string path = (std::filesystem::current_path() /
                                    std::filesystem::path(std::u8string(name.begin(), name.end())))
                                       .make_preferred()
                                       .u8string();
        return std::string(path.begin(), path.end());
    };
    ASSERT_TRUE(os.handed.has_value());
    EXPECT_EQ(*os.handed, (std::vector<std::string>{"-k", full("orders/a.txt"),
                                                    full("/abs/Zakaz 1.zv"), full("Заявка.zv")}));
}

}  // namespace
}  // namespace app
