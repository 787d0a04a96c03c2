// Start to window on screen: how long the still program takes from its
// launch until the X server maps its main window. Runs on the display named
// by DISPLAY (a bare Xvfb gives the steadiest figures: no window manager
// reparents or delays the map). Each run starts afresh in a new folder with
// its own settings, so no run profits from another's files.
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

std::string WindowName(xcb_connection_t* x, xcb_window_t window)
{
    xcb_get_property_cookie_t cookie =
        xcb_get_property(x, 0, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 256);
    xcb_get_property_reply_t* reply = xcb_get_property_reply(x, cookie, nullptr);
    if (!reply)
        return {};
    std::string name(static_cast<const char*>(xcb_get_property_value(reply)),
                     size_t(xcb_get_property_value_length(reply)));
    free(reply);
    return name;
}

pid_t Launch(const std::string& program, const std::filesystem::path& folder)
{
    const std::string config = "XDG_CONFIG_HOME=" + (folder / "config").string();
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "XDG_CONFIG_HOME=", 16) != 0)
            env.emplace_back(*e);
    env.push_back(config);
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string arg0 = program;
    char* argv[] = {arg0.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", 0x1 /* O_WRONLY */, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", 0x1, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, envp.data()) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Milliseconds from launch to the map of a window titled `title`; < 0 when
// the program ended or nothing came within 20 s.
double TimeOneStart(xcb_connection_t* x, const std::string& program, const std::string& title)
{
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("startup-bench-" + std::to_string(getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder / "config");
    const Clock::time_point start = Clock::now();
    const pid_t pid = Launch(program, folder);
    double ms = -1;
    while (pid > 0 && Clock::now() - start < std::chrono::seconds(20)) {
        xcb_generic_event_t* event = xcb_poll_for_event(x);
        if (!event) {
            if (waitpid(pid, nullptr, WNOHANG) == pid)
                break;
            usleep(200);
            continue;
        }
        const bool mapped = (event->response_type & 0x7F) == XCB_MAP_NOTIFY;
        const xcb_window_t window = mapped ? reinterpret_cast<xcb_map_notify_event_t*>(event)->window : 0;
        free(event);
        if (mapped && WindowName(x, window) == title) {
            ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            break;
        }
    }
    if (pid > 0) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
    std::filesystem::remove_all(folder);
    return ms;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PROGRAM [RUNS] [TITLE]\n", argv[0]);
        return 2;
    }
    const std::string program = std::filesystem::absolute(argv[1]).string();
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
    const std::string title = argc > 3 ? argv[3] : std::filesystem::path(program).filename().string();
    xcb_connection_t* x = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(x)) {
        std::fprintf(stderr, "no X display (set DISPLAY, e.g. run under xvfb-run)\n");
        return 77;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(x)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(x, screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(x);

    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double ms = TimeOneStart(x, program, title);
        if (ms < 0) {
            std::fprintf(stderr, "run %d: no window titled \"%s\"\n", i + 1, title.c_str());
            return 1;
        }
        std::printf("run %d: %.0f ms\n", i + 1, ms);
        times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    std::printf("start to window on screen: median %.0f ms of %d runs (min %.0f, max %.0f)\n",
                times[times.size() / 2], runs, times.front(), times.back());
    xcb_disconnect(x);
    return 0;
}
