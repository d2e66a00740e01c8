#pragma once

#include "TestSupport.h"

#include <cstdlib>
#include <string>
#include <vector>

// A bridge that answers the requests in turn from `replies` (a reply line, or DIE, HANG or GARBAGE),
// and "ok" once they run out; it never starts an office.
inline std::string StandInBridge(const TemporaryFolder& folder, const std::vector<std::string>& replies)
{
    std::string script = "import sys, time\nreplies = [";
    for (const std::string& reply : replies)
        script += "'" + reply + "', ";
    script += "]\n"
              "for line in sys.stdin:\n"
              "    reply = replies.pop(0) if replies else '{\"ok\": true, \"result\": null}'\n"
              "    if reply == 'DIE': sys.exit(3)\n"
              "    if reply == 'HANG': time.sleep(600)\n"
              "    print('{\"ok\": tru' if reply == 'GARBAGE' else reply, flush=True)\n";
    const std::string path = folder.File("StandIn.py");
    WriteWholeFile(path, script);
    return path;
}

// The spreadsheet automation's bridge script while it lives.
class ScopedBridge {
public:
    explicit ScopedBridge(const std::string& path) { setenv("KESTRAME_CALC_BRIDGE", path.c_str(), 1); }
    ~ScopedBridge() { unsetenv("KESTRAME_CALC_BRIDGE"); }
    ScopedBridge(const ScopedBridge&) = delete;
    ScopedBridge& operator=(const ScopedBridge&) = delete;
};
