#include <gtest/gtest.h>

#include "engine/storage/RidovCursor.h"
#include "engine/storage/RidovDatabase.h"
#include "engine/storage/RidovSession.h"
#include "platform/NativePlatform.h"
#include "tests/engine/storage/ImageBuilder.h"

using namespace ridov;

namespace {

// An enciphered one-record image written with `password`.
std::vector<uint8_t> EncipheredImage(TRidovSession& session, const std::string& password) {
    TRidovCursor store(session);
    auto empty =
        testing_support::ImageBuilder().Header(0, 1, testing_support::Section({"XXX.ID K"})).bytes;
    std::string message;
    EXPECT_TRUE(store.ReadImage(empty, message));
    ridov::ValueBuffer buf(store.Layout());
    store.TextToValue(buf.Data(), "42", *store.FieldAt(0));
    EXPECT_TRUE(store.PostRecord(buf.Data(), nullptr, message));
    store.SetPassword(password);
    std::vector<uint8_t> image;
    store.WriteImage(image);
    return image;
}

struct Prompter {
    explicit Prompter(std::vector<std::string> given) : answers(std::move(given)) {}
    std::vector<std::string> answers;  // given in turn; past the end: cancel
    int asked = 0;
    std::vector<std::string> shown;
    void Install(TRidovSession& s) {
        s.OnGetPassword = [this](std::string& password) {
            if (asked >= int(answers.size())) return false;
            password = answers[size_t(asked++)];
            return true;
        };
        s.OnShowMessage = [this](const std::string& m) { shown.push_back(m); };
    }
};

bool Open(TRidovSession& session, std::vector<uint8_t> image, std::string* password = nullptr) {
    TRidovCursor store(session);
    std::string message;
    bool ok = store.ReadImage(image, message);
    if (password) *password = store.Password();
    return ok;
}

TEST(RidovSessionTest, RememberedPasswordOpensTheNextTable) {
    TRidovSession session;
    auto first = EncipheredImage(session, "secret");
    auto second = EncipheredImage(session, "secret");
    Prompter user({"secret"});
    user.Install(session);
    EXPECT_TRUE(Open(session, first));
    std::string used;
    EXPECT_TRUE(Open(session, second, &used));
    EXPECT_EQ(user.asked, 1) << "the second table opens with the remembered password";
    EXPECT_EQ(used, "secret") << "and is written back with it";
}

TEST(RidovSessionTest, WrongPasswordsAreRetriedThenRejected) {
    struct Case {
        int retries;
        int expectedPrompts;
    };
    for (Case c : {Case{3, 3}, Case{0, 3}, Case{1, 1}}) {
        TRidovSession session;
        auto image = EncipheredImage(session, "right");
        session.PasswordRetries = c.retries;
        Prompter user({"a", "b", "c", "d"});
        user.Install(session);
        EXPECT_FALSE(Open(session, image));
        EXPECT_EQ(user.asked, c.expectedPrompts);
        EXPECT_EQ(user.shown.size(), size_t(c.expectedPrompts - 1));
        if (!user.shown.empty()) {
            EXPECT_EQ(user.shown[0], "Password is invalid. Try again");
        }
    }
}

TEST(RidovSessionTest, RejectionHookReplacesTheMessage) {
    TRidovSession session;
    auto image = EncipheredImage(session, "right");
    Prompter user({"x", "right"});
    user.Install(session);
    std::vector<std::pair<std::string, bool>> rejected;
    session.OnPasswordRejected = [&](const std::string& p, bool& retry) {
        rejected.emplace_back(p, retry);
    };
    EXPECT_TRUE(Open(session, image));
    ASSERT_EQ(rejected.size(), 1u);
    EXPECT_EQ(rejected[0], (std::pair<std::string, bool>{"x", true}));
    EXPECT_TRUE(user.shown.empty());
    EXPECT_EQ(session.KnownPasswords(), (std::vector<std::string>{"right"}));
}

TEST(RidovSessionTest, CancelOrNoPromptFailsAtOnce) {
    TRidovSession session;
    auto image = EncipheredImage(session, "right");
    EXPECT_FALSE(Open(session, image)) << "no prompt installed counts as cancelled";
    Prompter user({});
    user.Install(session);
    EXPECT_FALSE(Open(session, image));
    EXPECT_EQ(user.asked, 0);
}

TEST(RidovSessionTest, KnownPasswordsIgnoreCase) {
    TRidovSession session;
    session.AddPassword("Secret");
    session.AddPassword("SECRET");
    session.AddPassword("");
    session.AddPassword("\xCF\xE0\xF0\xEE\xEB\xFC");  // Пароль
    session.AddPassword("\xEF\xE0\xF0\xEE\xEB\xFC");  // пароль
    EXPECT_EQ(session.KnownPasswords().size(), 2u);
    session.RemovePassword("secret");
    EXPECT_EQ(session.KnownPasswords().size(), 1u);
}

struct FakeUser : DatabaseUser {
    int closed = 0, forgotten = 0;
    void CloseForDatabase() override { ++closed; }
    void ForgetDatabase() override { ++forgotten; }
};

TEST(RidovDatabaseTest, PathGetsTrailingSeparatorAndUsersAreTold) {
    TRidovSession session;
    FakeUser open, idle;
    {
        TRidovDatabase db(session);
        EXPECT_EQ(session.Databases().size(), 1u);
        db.SetDatabasePath("/data/orders");
        // The system's own separator: '/' on Linux, '\' on Windows.
        EXPECT_EQ(db.DatabasePath(),
                  "/data/orders" + std::string(1, platform::CurrentPlatform().PathSeparator()));
        db.SetDatabasePath("");
        EXPECT_EQ(db.DatabasePath(), "");
        db.AddOpenDataset(&open);
        db.AddUser(&open);
        db.AddUser(&idle);
    }
    EXPECT_EQ(open.closed, 1);
    EXPECT_EQ(idle.closed, 0);
    EXPECT_EQ(open.forgotten + idle.forgotten, 2);
    EXPECT_TRUE(session.Databases().empty());
}

}  // namespace

namespace {

// A platform whose writes all fail and whose GUIDs are fixed.
class RefusingPlatform : public platform::NativePlatform {
  public:
    std::string NewGuidText() override { return "{fixed}"; }
    bool WriteFileAtomically(const std::string&, std::span<const uint8_t>,
                             std::string& error) override {
        error = "refused";
        return false;
    }
};

TEST(RidovSessionTest, EngineUsesTheSessionsOwnPlatform) {
    RefusingPlatform os;
    TRidovSession session;
    EXPECT_EQ(&session.Platform(), &platform::CurrentPlatform());
    session.SetPlatform(&os);
    EXPECT_EQ(session.NewGuidText(), "{fixed}");
    EXPECT_NE(platform::CurrentPlatform().NewGuidText(), "{fixed}");

    // The store writes through its session's platform, not the process's.
    TRidovCursor store(session);
    auto empty =
        testing_support::ImageBuilder().Header(0, 1, testing_support::Section({"XXX.ID K"})).bytes;
    std::string message;
    ASSERT_TRUE(store.ReadImage(empty, message)) << message;
    EXPECT_FALSE(store.WriteFile("never/written.zv", 0, false, "", message));
    EXPECT_EQ(message, "Cannot create file \"never/written.zv\". refused");

    session.SetPlatform(nullptr);
    EXPECT_EQ(&session.Platform(), &platform::CurrentPlatform());
}

}  // namespace
