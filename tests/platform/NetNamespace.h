#pragma once
// Network namespaces for tests that read the real kernel: each one is made by the test and
// removed by its destructor, whatever the test's outcome.

#include <functional>
#include <string>

namespace brisvale::testing {

// Why the kernel tests cannot run here (not root, no iproute2), or empty when they can.
std::string namespaceObstacle();

// Runs a shell command; its exit status, -1 when it could not be run.
int shell(const std::string& command);
// Its standard output.
std::string shellOutput(const std::string& command);

class NetNamespace {
public:
    // The name holds the process id, so that parallel test processes never share one.
    explicit NetNamespace(const std::string& tag);
    ~NetNamespace();
    NetNamespace(const NetNamespace&) = delete;
    NetNamespace& operator=(const NetNamespace&) = delete;

    const std::string& name() const { return name_; }
    bool created() const { return created_; }

    // "ip -n <name> <arguments>": true on success.
    bool ip(const std::string& arguments) const;
    // The JSON that "ip -n <name> -j <arguments>" prints.
    std::string ipJson(const std::string& arguments) const;
    // Runs the command inside the namespace ("ip netns exec").
    bool exec(const std::string& command) const;

    // Runs f on a thread that has entered the namespace; false when it could not enter.
    bool inside(const std::function<void()>& f) const;

private:
    std::string name_;
    bool created_ = false;
};

}  // namespace brisvale::testing
