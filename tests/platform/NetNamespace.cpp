#include "NetNamespace.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

namespace brisvale::testing {

namespace {

constexpr const char* Prefix = "brisvale-test-";

// Namespaces left by test processes that died before their clean-up could run.
void removeAbandoned()
{
    std::istringstream names(shellOutput("ip netns list 2>/dev/null"));
    std::string line;
    while (std::getline(names, line)) {
        const std::string name = line.substr(0, line.find(' '));
        if (name.rfind(Prefix, 0) != 0)
            continue;
        const long pid = std::strtol(name.c_str() + std::char_traits<char>::length(Prefix), nullptr, 10);
        if (pid > 0 && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            shell("ip netns del " + name + " 2>/dev/null");
    }
}

}  // namespace

std::string namespaceObstacle()
{
    if (geteuid() != 0)
        return "network namespaces need root";
    if (shell("ip -V >/dev/null 2>&1") != 0)
        return "iproute2's ip is not installed";
    return {};
}

int shell(const std::string& command)
{
    const int status = std::system(command.c_str());
    if (status == -1 || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

std::string shellOutput(const std::string& command)
{
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe)
        return {};
    std::string output;
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0)
        output.append(buffer, n);
    return output;
}

NetNamespace::NetNamespace(const std::string& tag)
{
    static std::atomic<int> counter{0};
    static const bool swept = (removeAbandoned(), true);
    (void)swept;
    name_ = Prefix + std::to_string(getpid()) + "-" + tag + "-" + std::to_string(counter++);
    created_ = shell("ip netns add " + name_) == 0;
}

NetNamespace::~NetNamespace()
{
    if (created_)
        shell("ip netns del " + name_);
}

bool NetNamespace::ip(const std::string& arguments) const
{
    return shell("ip -n " + name_ + " " + arguments) == 0;
}

std::string NetNamespace::ipJson(const std::string& arguments) const
{
    return shellOutput("ip -n " + name_ + " -j " + arguments);
}

bool NetNamespace::exec(const std::string& command) const
{
    return shell("ip netns exec " + name_ + " " + command) == 0;
}

bool NetNamespace::inside(const std::function<void()>& f) const
{
    bool entered = false;
    std::thread worker([&] {
        const int fd = open(("/run/netns/" + name_).c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return;
        // Only this thread moves; the rest of the test process stays where it was.
        entered = setns(fd, CLONE_NEWNET) == 0;
        close(fd);
        if (entered)
            f();
    });
    worker.join();
    return entered;
}

}  // namespace brisvale::testing
