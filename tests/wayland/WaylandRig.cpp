#include "WaylandRig.h"

#include <fcntl.h>

#include "platform/PictureFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

namespace vexmira::testing {

LineHelper::LineHelper(const std::vector<std::string>& command) {
    // The pipes stay out of every other process the test starts: one that kept the helper's input
    // open (a clipboard owner living on in the background) would keep the helper from ending.
    int in[2], out[2];
    if (command.empty() || pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        close(in[1]);
        close(out[0]);
        std::vector<char*> argv;
        for (const std::string& word : command)
            argv.push_back(const_cast<char*>(word.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    to_ = fdopen(in[1], "w");
    from_ = fdopen(out[0], "r");
    greeting_ = answer();
}

LineHelper::~LineHelper() {
    // Closing its input ends the helper.
    if (to_) std::fclose(to_);
    if (from_) std::fclose(from_);
    if (pid_ > 0) waitpid(pid_, nullptr, 0);
}

std::string LineHelper::ask(const std::string& line) {
    if (!to_) return {};
    std::fprintf(to_, "%s\n", line.c_str());
    std::fflush(to_);
    return answer();
}

std::string LineHelper::answer() {
    char line[256];
    if (!from_ || !std::fgets(line, sizeof line, from_)) return {};
    std::string text = line;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

Bitmap shotOf(const std::string& output) {
    const std::string file = "/tmp/vexmira-wayland-shot-" + std::to_string(getpid()) + ".png";
    shell("grim -t png -o " + output + " " + file);
    Bitmap shot = platform::loadPicture(file);
    std::filesystem::remove(file);
    return shot;
}

std::vector<SwayWindow> programWindows(pid_t pid, const std::string& session) {
    const QJsonDocument tree =
        QJsonDocument::fromJson(QByteArray::fromStdString(shell(session + " swaymsg -r -t get_tree")));
    std::vector<SwayWindow> found;
    std::function<void(const QJsonObject&, const std::string&, bool)> walk =
        [&](const QJsonObject& node, std::string output, bool floating) {
            if (node["type"].toString() == "output") output = node["name"].toString().toStdString();
            if (node["pid"].toInt() == pid) {
                const QJsonObject r = node["rect"].toObject();
                const QJsonObject own = node["geometry"].toObject();
                found.push_back({{r["x"].toInt(), r["y"].toInt(), r["width"].toInt(), r["height"].toInt()},
                                 node["fullscreen_mode"].toInt() != 0,
                                 floating,
                                 output,
                                 node["name"].toString().toStdString(),
                                 {own["width"].toInt(), own["height"].toInt()}});
            }
            for (const auto& child : node["nodes"].toArray())
                walk(child.toObject(), output, false);
            for (const auto& child : node["floating_nodes"].toArray())
                walk(child.toObject(), output, true);
        };
    walk(tree.object(), "", false);
    return found;
}

std::optional<SwayWindow> displayWindow(pid_t pid, const std::string& session) {
    for (const SwayWindow& w : programWindows(pid, session))
        if (w.rect.size() != raster::Size{433, 278} && w.rect.size() != raster::Size{342, 160}) return w;
    return std::nullopt;
}

std::optional<SwayWindow> controlWindow(pid_t pid) {
    for (const SwayWindow& w : programWindows(pid))
        if (w.floating && w.rect.size() == raster::Size{433, 278}) return w;
    return std::nullopt;
}

double processorSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i)
        if (i >= 14) ticks += std::stod(field);
    return ticks / double(sysconf(_SC_CLK_TCK));
}

QGuiApplication& application() {
    static int argc = 1;
    static char name[] = "wayland_system_test";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
    return app;
}

void pumpFor(int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

bool allBlack(const Bitmap& shot) {
    if (shot.isEmpty()) return false;
    for (int y = 0; y < shot.height(); y += 2)
        for (int x = 0; x < shot.width(); x += 2)
            if (shot.pixel(x, y) & 0xFFFFFF) return false;
    return true;
}

} // namespace vexmira::testing
