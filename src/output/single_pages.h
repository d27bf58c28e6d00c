#pragma once
// The topics of the single page, made in two steps so that each topic's page is read
// once and the page is never held whole in memory. Prepare reads every page, rewrites it
// for the single page and puts it in a store; a link to a fragment of a topic cannot be
// settled before every topic's ids are known, so such values wait in the stored text as
// markers. WriteParts then takes the topics back in order and settles them.

#include "model/link_scanner.h"
#include "output/contents.h"
#include "output/part_store.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace parvane {

class TSinglePageLinks;

class TSinglePages {
public:
    TSinglePages(const TContents& contents, TPartStore& store);
    ~TSinglePages();
    TSinglePages(const TSinglePages&) = delete;
    TSinglePages& operator=(const TSinglePages&) = delete;

    // Reads and rewrites every topic's page on contents.Threads threads. The page of item
    // i is also scanned for the files it links to (THTMLRefer::GetLinkedPaths, as if read
    // from scanOf[i]) when scanOf[i] is not empty; what each scan found, or why the page
    // could not be read, goes to onScan on this thread in item order.
    using TOnScan =
        std::function<void(const std::vector<std::string_view>& linked, const std::string& error)>;
    void Prepare(const std::vector<std::string>& scanOf = {}, const TOnScan& onScan = {});

    // After Prepare: the distinct scripts and style sheets of the pages, for the head, and
    // the scripts of their bodies, which run after all the content.
    const std::string& Head() const { return head_; }
    const std::string& Tail() const { return tail_; }

    // Each item's part of the page (anchor, heading and rewritten body), finished on
    // contents.Threads threads and handed to write on this thread in item order, each
    // topic's address reported before it, "Changing hyperlinks..." after the last. With
    // findLinks a part comes with the links THTMLRefer::FindLinkSpans finds in it.
    struct TPart {
        std::string Text;
        std::vector<THTMLRefer::TLinkSpan> Links;
    };
    // rework, when given, is done to each part on the thread that makes it, before write.
    void WriteParts(bool findLinks, const std::function<void(TPart&& part)>& write,
                    const std::function<void(TPart& part)>& rework = {});

private:
    const TContents& contents_;
    TPartStore& store_;
    std::unique_ptr<TSinglePageLinks> links_;
    std::string head_;
    std::string tail_;
};

} // namespace parvane
