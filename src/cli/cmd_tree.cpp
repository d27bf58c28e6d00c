// parvane-cli tree: the topic tree of a project, one node per line in tree order.

#include "cli/commands.h"
#include "model/project_file.h"

#include <cstdio>
#include <exception>
#include <string>

namespace parvane::cli {

namespace {

const char* const kTreeUsage =
    "Usage: parvane-cli tree PROJECT.pvx\n"
    "\n"
    "Prints the three groups and every topic of the project in tree order, one per line:\n"
    "two spaces per depth (groups at depth 0), the title, a tab, then the topic's page\n"
    "(its Url), \"(unsaved)\" for a new page not yet saved or \"(no-link)\" for a heading\n"
    "without a page. A group line ends with the tab.\n";

void AppendNode(std::string& out, const TTopicNode* node, int depth) {
    out.append(static_cast<std::size_t>(depth) * 2, ' ');
    out.append(node->Text());
    out.push_back('\t');
    if (!node->IsRoot()) {
        switch (node->Data().Status) {
        case tsUnsaved:
            out.append("(unsaved)");
            break;
        case tsNoLink:
            out.append("(no-link)");
            break;
        default:
            out.append(node->Data().Url);
            break;
        }
    }
    out.push_back('\n');
}

} // namespace

int CmdTree(const Args& args) {
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(kTreeUsage, stdout);
        return 0;
    }
    if (args.size() != 1 || args[0].empty() || args[0][0] == '-') {
        std::fputs(kTreeUsage, stderr);
        return 2;
    }
    const std::string& path = args[0];

    TTopicTree tree;
    tree.CreateRootGroups();
    TPvx project(tree);
    try {
        project.LoadFromFile(path);
    } catch (const std::exception& e) {
        // The loader says what is wrong: missing, a folder, unreadable, too large.
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }

    // Depth is tracked along the walk (no per-node climb), output written in blocks.
    std::string out;
    out.reserve(1 << 16);
    for (int r = 0; r < tree.RootCount(); ++r) {
        const TTopicNode* root = tree.Root(r);
        AppendNode(out, root, 0);
        struct Item {
            const TTopicNode* node;
            int depth;
        };
        std::vector<Item> stack;
        for (int i = root->Count() - 1; i >= 0; --i)
            stack.push_back({root->Child(i), 1});
        while (!stack.empty()) {
            const Item item = stack.back();
            stack.pop_back();
            AppendNode(out, item.node, item.depth);
            for (int i = item.node->Count() - 1; i >= 0; --i)
                stack.push_back({item.node->Child(i), item.depth + 1});
            if (out.size() >= (1 << 16)) {
                std::fwrite(out.data(), 1, out.size(), stdout);
                out.clear();
            }
        }
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace parvane::cli
