// The single-instance check of the start: which answers of the platform
// end the process and what is handed over.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/StartUp.h"
#include "platform/LinuxPlatform.h"

namespace app {
namespace {

using Claim = platform::Platform::InstanceClaim;

class FakeInstancePlatform : public platform::LinuxPlatform {
  public:
    std::string ProgramFilePath() override { return program; }
    Claim ClaimSingleInstance(const std::string& name) override {
        claimed.push_back(name);
        return claim;
    }
    bool HandOverToRunningInstance(const std::string& name,
                                   const std::vector<std::string>& arguments) override {
        EXPECT_EQ(name, program);
        handed = arguments;
        return reachable;
    }

    std::string program = "/opt/zv/zayavka";
    Claim claim = Claim::First;
    bool reachable = true;
    std::vector<std::string> claimed;
    std::optional<std::vector<std::string>> handed;
};

struct InstanceCase {
    const char* name;
    const char* program;
    Claim claim;
    bool reachable;
    std::optional<int> exitCode;
    bool handsOver;
};

TEST(SingleInstanceCheckTest, OnlyASuccessfulHandOverEndsTheStart) {
    const InstanceCase cases[] = {
        {"first copy", "/opt/zv/zayavka", Claim::First, true, std::nullopt, false},
        {"no lock on this system", "/opt/zv/zayavka", Claim::Unavailable, true, std::nullopt,
         false},
        {"later copy", "/opt/zv/zayavka", Claim::Other, true, 0, true},
        {"running copy unreachable", "/opt/zv/zayavka", Claim::Other, false, std::nullopt, true},
        {"program file unknown", "", Claim::Other, true, std::nullopt, false},
    };
    for (const InstanceCase& c : cases) {
        FakeInstancePlatform os;
        os.program = c.program;
        os.claim = c.claim;
        os.reachable = c.reachable;
        platform::Platform* previous = platform::SetCurrentPlatform(&os);
        const std::optional<int> exitCode = CheckSingleInstance({"a.zv"});
        platform::SetCurrentPlatform(previous);
        EXPECT_EQ(exitCode, c.exitCode) << c.name;
        EXPECT_EQ(os.handed.has_value(), c.handsOver) << c.name;
        EXPECT_EQ(os.claimed.size(), c.program[0] ? 1u : 0u) << c.name;
    }
}

TEST(SingleInstanceCheckTest, FilesGoOverWithFullPathsAndSwitchesAsTheyAre) {
    FakeInstancePlatform os;
    os.claim = Claim::Other;
    platform::Platform* previous = platform::SetCurrentPlatform(&os);
    EXPECT_EQ(CheckSingleInstance({"-k", "orders/a.txt", "/abs/Zakaz 1.zv", "Заявка.zv"}), 0);
    platform::SetCurrentPlatform(previous);
    const std::string here = std::filesystem::current_path().string();
    ASSERT_TRUE(os.handed.has_value());
    EXPECT_EQ(*os.handed, (std::vector<std::string>{"-k", here + "/orders/a.txt", "/abs/Zakaz 1.zv",
                                                    here + "/Заявка.zv"}));
}

}  // namespace
}  // namespace app
