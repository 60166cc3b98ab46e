#pragma once
// Replies of the update server as the tests want them, written as parameter
// messages (every value scrambled, as the server sends them).
#include "NetCtrl.h"
#include "Params.h"

#include <optional>
#include <string>
#include <vector>

struct OfferedTool {
    std::string version;
    std::string path;
};

// A version reply: "result", "solid_tool_count" (the number of tools unless
// given), "isOver" and the four keys of each tool.
inline std::string VersionReply(bool result, const std::vector<OfferedTool>& tools, bool over = true,
                                std::optional<int> count = std::nullopt)
{
    vornix_data_def::Params reply;
    reply.SetType(static_cast<int>(CNetCtrl::kVersionMessageType));
    reply.AddParam("result", result);
    reply.AddParam("solid_tool_count", count ? *count : static_cast<int>(tools.size()));
    reply.AddParam("isOver", over);
    for (size_t i = 0; i < tools.size(); ++i) {
        const std::string n = std::to_string(i);
        reply.AddParam(("tool_name_" + n).c_str(), "Teskaro_Brelk");
        reply.AddParam(("last_version_" + n).c_str(), tools[i].version.c_str());
        reply.AddParam(("release_date_" + n).c_str(), "2024-05-01");
        reply.AddParam(("download_path_" + n).c_str(), tools[i].path.c_str());
    }
    return reply.ToXml();
}
