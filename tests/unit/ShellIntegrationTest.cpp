// What the program hands to the desktop: the mail request and the share address, and the lock
// that keeps one copy running per executable.
#include "ImageMagick.h"
#include "app/CommandLine.h"
#include "app/MailRequest.h"
#include "platform/SingleInstance.h"
#include "platform/UserValueStore.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>

using namespace vexmira;

TEST(MailRequest, FieldsAttachmentsUntilTheFirstGapAndNothingLeaksBetweenFields) {
    const app::MailRequest request = app::mailRequestOf(
        {"subject=Hi & bye&cc=evil@example.org", "body=a=b\nline 2", "attachment0=/tmp/a b.png",
         "attachment2=/tmp/c.png", "noise", "to=someone@example.org"});
    EXPECT_EQ(request.subject, "Hi & bye&cc=evil@example.org");
    EXPECT_EQ(request.body, "a=b\nline 2") << "only the first '=' divides";
    EXPECT_EQ(request.attachments, std::vector<std::string>{"/tmp/a b.png"}) << "0 and 2 but not 1: one file";
    EXPECT_EQ(request.to, "someone@example.org");

    EXPECT_EQ(app::mailtoUrl(request),
              "mailto:someone@example.org?subject=Hi%20%26%20bye%26cc%3Devil%40example.org"
              "&body=a%3Db%0Aline%202");
    EXPECT_EQ(app::xdgEmailArguments(request),
              (std::vector<std::string>{"--utf8", "--subject", "Hi & bye&cc=evil@example.org", "--body",
                                        "a=b\nline 2", "--attach", "/tmp/a b.png", "someone@example.org"}));
    EXPECT_EQ(app::xdgEmailArguments(app::mailRequestOf({"to=--help"})).back(), "mailto:--help")
        << "an address is never read as an option";
    EXPECT_EQ(app::mailtoUrl(app::mailRequestOf({})), "mailto:");
}

TEST(MailRequest, TheShareAddressIsEncodedExactlyOnce) {
    EXPECT_EQ(app::twitterShareUrl("Show it 100% & more https://x.example.org/?a=1"),
              "https://twitter.com/intent/"
              "tweet?text=Show%20it%20100%25%20%26%20more%20https%3A%2F%2Fx.example.org%2F%3Fa%3D1");
    EXPECT_EQ(app::percentEncoded("caf\xC3\xA9-._~"), "caf%C3%A9-._~");
}

TEST(SingleInstance, OneCopyHoldsTheLockHearsLaterOnesAndLetsGoWhenItEnds) {
    vexmira::testing::TemporaryFolder runtime;
    chmod(runtime.path().c_str(), 0700);
    setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
    ASSERT_EQ(platform::SingleInstance::lockFolder(), runtime.path());
    const std::filesystem::path program = "/opt/vexmira/vexmira", other = "/opt/Vexmira/vexmira";
    EXPECT_NE(platform::SingleInstance::baseName(program), platform::SingleInstance::baseName(other))
        << "paths differing in letter case are different programs";

    platform::SingleInstance::Claim first = platform::SingleInstance::claim(program);
    ASSERT_TRUE(first.instance) << first.problem;
    const platform::SingleInstance::Claim second = platform::SingleInstance::claim(program);
    EXPECT_FALSE(second.instance);
    EXPECT_TRUE(second.anotherRuns);
    EXPECT_TRUE(platform::SingleInstance::claim(other).instance) << "another executable runs on its own";

    EXPECT_TRUE(platform::SingleInstance::askRunningCopyToShow(program, 1));
    EXPECT_TRUE(platform::SingleInstance::askRunningCopyToShow(program, 1));
    EXPECT_EQ(first.instance->takeRequests(), (std::vector<std::string>{"show", "show"}));
    EXPECT_TRUE(first.instance->takeRequests().empty());

    first.instance.reset();
    EXPECT_FALSE(platform::SingleInstance::askRunningCopyToShow(program, 0.1)) << "nobody listens any more";
    EXPECT_TRUE(platform::SingleInstance::claim(program).instance) << "the next copy becomes the one";

    // A runtime folder that others can enter is not used for the lock.
    chmod(runtime.path().c_str(), 0755);
    EXPECT_NE(platform::SingleInstance::lockFolder(), runtime.path());
    unsetenv("XDG_RUNTIME_DIR");
}

// Where the per-user files go: XDG_CONFIG_HOME when it is absolute, else ~/.config (a relative
// one would follow the working folder, and the XDG rules say to ignore it).
TEST(UserFolders, ARelativeConfigHomeIsIgnored) {
    vexmira::testing::TemporaryFolder home;
    setenv("HOME", home.path().c_str(), 1);
    const std::filesystem::path absolute = home / "elsewhere";
    const struct {
        const char* configHome;
        std::filesystem::path expected;
    } cases[] = {
        {absolute.c_str(), absolute / "Vexmira"},
        {"relative/config", home / ".config" / "Vexmira"},
        {"", home / ".config" / "Vexmira"},
    };
    for (const auto& c : cases) {
        setenv("XDG_CONFIG_HOME", c.configHome, 1);
        EXPECT_EQ(vexmira::platform::userConfigFolder(), c.expected) << c.configHome;
    }
    unsetenv("XDG_CONFIG_HOME");
}

// Commands are ours; the toolkit's own options, with their values, are left to it; anything
// else is unknown.
TEST(CommandLine, CommandsToolkitOptionsAndUnknownArguments) {
    using Kind = app::CommandLine::Kind;
    struct Case {
        std::vector<const char*> arguments;
        Kind kind;
        std::string detail; // the request, or the argument not understood
    };
    const Case cases[] = {
        {{}, Kind::Run, ""},
        {{"--blank"}, Kind::Command, "blank"},
        {{"--save-image"}, Kind::Command, "save-image"},
        {{"-platform", "xcb", "--send"}, Kind::Command, "send"},
        {{"--style=Fusion", "--stop-all"}, Kind::Command, "stop-all"},
        {{"-reverse"}, Kind::Run, ""},
        {{"--bogus"}, Kind::Unknown, "--bogus"},
        {{"stray"}, Kind::Unknown, "stray"},
        {{"--help", "--bogus"}, Kind::Help, ""},
        {{"--version"}, Kind::Version, ""},
    };
    for (const Case& c : cases) {
        std::vector<const char*> argv{"vexmira"};
        argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
        const app::CommandLine line = app::parseCommandLine(static_cast<int>(argv.size()), argv.data());
        const std::string shown = c.arguments.empty() ? "(none)" : c.arguments.front();
        EXPECT_EQ(line.kind, c.kind) << shown;
        EXPECT_EQ(c.kind == Kind::Unknown ? line.unknown : line.request, c.detail) << shown;
    }
    EXPECT_NE(app::commandLineHelp().find("--blank"), std::string::npos);
}
