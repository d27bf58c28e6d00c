#pragma once
// The pieces of the Web Help generator that are worth seeing on their own: the images a
// navigation node shows and the script each topic page carries. TContents (contents.h)
// puts them together.

#include <string>
#include <vector>

namespace parvane {

class TContents;
class TPvx;
struct TContentsItem;

// What "View Web Help" opens: index.htm in the project's Web Help output folder ("" when
// no folder is set). Throws EParvaneError for a path of another system (a drive letter).
std::string WebHelpIndexFile(const TPvx& project);
// Asked by "View Web Help" when that file does not exist.
extern const char* const kWebHelpNotCreatedQuestion;

struct TWebNodeImages {
    std::string Closed; // shown by the tree
    std::string Open;   // swapped in by the page script when a folder opens
};

// The topic image of a navigation node, from its image number (icon index + 1).
TWebNodeImages WebNodeImages(int imageNumber, bool isFolder, bool realColorIcon);

// Where a node stands among its siblings, which decides its tree-line image: 0 the very
// first node with later siblings, 1 a node with later siblings, 2 the last of its siblings,
// 3 the very first node when it has no siblings.
int WebTreePosition(int index, bool isLast);

enum class TWebLineKind { Leaf, ClosedFolder, OpenFolder };
// The tree-line image of a node at a position; without drawn lines leaves show nothing
// and folders a plain expander.
std::string WebTreeLineImage(TWebLineKind kind, int position, bool drawLines);
// The image of one indent step: a line when that level has more nodes below.
std::string WebIndentImage(bool more, bool drawLines);

// The address of an item's page relative to "scr" with "/" separators, in the letter case
// of the file on disk; the stored address for an item without a page.
std::string WebAddress(const TContents& contents, const TContentsItem& item);

// The project files (as on disk) whose copies in "scr" the page step writes over with the
// topic page: the branch need not copy them first.
std::vector<std::string> WebPagesWrittenOver(const TContents& contents,
                                             const std::string& outputFolder, bool withTemplate);

// The script every topic page of the contents carries: inside the frames it selects the
// page's node in the tree; opened alone it offers the way back into the frames.
// url is the topic address relative to the project root.
std::string WebSyncScript(int index, const std::string& url);

// The script tag that lets a topic page of a Web Help with search highlight the words the
// reader searched for (webhelpmark.js in the output folder). url as for WebSyncScript.
std::string WebMarkScript(const std::string& url);

// A page with the mark script before its closing body tag (or at its end without one).
std::string InsertMarkScript(const std::string& page, const std::string& url);

} // namespace parvane
