// The clipboard reader of compositors with data control, on the Wayland rig: a change noticed
// while a read catches up with the compositor is read by that read, not announced into it, and
// later changes are announced as before.
#include "WaylandRig.h"
#include "platform/backends/Backends.h"
#include "platform/backends/wayland/WaylandConnection.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <mutex>

using namespace vexmira;
using namespace vexmira::testing;

TEST(WaylandClipboard, AChangeSeenWhileReadingIsReadOnceAndLaterChangesAreAnnounced) {
    const std::string folder = "/tmp/vexmira-clipreader-" + std::to_string(getpid());
    std::filesystem::create_directories(folder);
    // Two small files with a picture's type; the reader takes their bytes as they are.
    const std::string first = folder + "/first.png", second = folder + "/second.png";
    const std::string firstBytes = "first picture's bytes", secondBytes = "the second picture's bytes";
    std::ofstream(first, std::ios::binary) << firstBytes;
    std::ofstream(second, std::ios::binary) << secondBytes;
    const auto asBytes = [](const std::string& text) {
        return std::vector<std::uint8_t>(text.begin(), text.end());
    };

    auto reader = platform::wayland::openClipboardReader(2000);
    ASSERT_TRUE(reader) << "the rig's compositor offers no data control";
    std::mutex lock;
    std::vector<std::vector<std::uint8_t>> read;
    const auto keep = [&](platform::ClipboardData data) {
        std::lock_guard<std::mutex> held(lock);
        read.push_back(data.status == platform::ClipboardData::Status::Read ? data.bytes
                                                                            : std::vector<std::uint8_t>{});
    };
    const auto readCount = [&] {
        std::lock_guard<std::mutex> held(lock);
        return read.size();
    };
    int announced = 0;
    // As the program does: every announced change starts a read.
    reader->onChange([&] {
        ++announced;
        reader->read(keep);
    });
    const auto connection = platform::wayland::WaylandConnection::shared();
    // What the clipboard held before this test is announced and read first.
    connection->waitFor([] { return false; }, 300);
    ASSERT_TRUE(waitUntil([&] { return readCount() == std::size_t(announced); }, 5));
    announced = 0;
    read.clear();

    // The change waits on the socket; the read that finds it reads the new picture, once.
    const WaylandClipboardOffer firstOffer(first);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_TRUE(reader->read(keep));
    ASSERT_TRUE(waitUntil([&] { return readCount() == 1; }, 5)) << "the read did not end";
    EXPECT_EQ(announced, 0) << "the change was announced into the read that found it";
    EXPECT_EQ(read.front(), asBytes(firstBytes));

    // A change while nobody reads is announced, and its read brings the new bytes.
    const WaylandClipboardOffer secondOffer(second);
    EXPECT_TRUE(connection->waitFor([&] { return announced == 1; }, 5000)) << "the change was not announced";
    ASSERT_TRUE(waitUntil([&] { return readCount() == 2; }, 5)) << "the announced read did not end";
    EXPECT_EQ(read.back(), asBytes(secondBytes));
    reader.reset();
    std::filesystem::remove_all(folder);
}
