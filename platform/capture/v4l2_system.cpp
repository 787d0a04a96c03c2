// The real device layer: /dev/video* through libv4l2.
#include "capture/v4l2_driver.h"

#include <libv4l2.h>

#include <fcntl.h>
#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

namespace capture {

namespace {

class SystemDevice : public V4l2Device {
public:
    explicit SystemDevice(int fd) : m_fd(fd) {}
    ~SystemDevice() override { v4l2_close(m_fd); }
    int Ioctl(unsigned long request, void* arg) override
    {
        int r;
        do
            r = v4l2_ioctl(m_fd, request, arg);
        while (r < 0 && errno == EINTR);
        return r;
    }
    ssize_t Read(void* buffer, size_t bytes) override { return v4l2_read(m_fd, buffer, bytes); }
    int WaitReadable(int timeoutMs) override
    {
        pollfd p{m_fd, POLLIN, 0};
        int r = ::poll(&p, 1, timeoutMs);
        if (r > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL)) && !(p.revents & POLLIN)) {
            errno = ENODEV;
            return -1;
        }
        return r;
    }

private:
    int m_fd;
};

class SystemLayer : public V4l2DeviceLayer {
public:
    std::vector<std::string> DevicePaths() override
    {
        std::vector<std::pair<int, std::string>> found;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator("/dev", ec)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind("video", 0) != 0 || name.size() == 5)
                continue;
            if (name.find_first_not_of("0123456789", 5) != std::string::npos)
                continue;
            found.emplace_back(std::stoi(name.substr(5)), entry.path().string());
        }
        std::sort(found.begin(), found.end());
        std::vector<std::string> paths;
        for (auto& f : found)
            paths.push_back(f.second);
        return paths;
    }
    std::unique_ptr<V4l2Device> Open(const std::string& path) override
    {
        int fd = v4l2_open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return nullptr;
        return std::make_unique<SystemDevice>(fd);
    }
};

}  // namespace

V4l2DeviceLayer& SystemDeviceLayer()
{
    static SystemLayer* layer = new SystemLayer;   // drivers may outlive other statics
    return *layer;
}

}  // namespace capture
