#include "editor/page_properties.h"

#include "model/string_func.h"

#include <algorithm>

namespace parvane {

namespace SF = StringFunc;

// ---- picture properties ------------------------------------------------------------------

TPictureProperties LoadPictureProperties(const THtmlAttributes& img) {
    TPictureProperties p;
    p.Source = img.Get("src");
    p.AltText = img.Get("alt");
    p.Align = AlignEntryIndex(PictureTexts::Alignments, img.Get("align"));
    p.Border = img.Get("border");
    p.Hspace = img.Get("hspace");
    if (p.Hspace == "-1")
        p.Hspace = "0";
    p.Vspace = img.Get("vspace");
    return p;
}

int PressedAlignButton(int alignEntry) {
    const auto& buttons = PictureTexts::ButtonEntries;
    const auto it = std::find(buttons.begin(), buttons.end(), alignEntry);
    return it == buttons.end() ? -1 : static_cast<int>(it - buttons.begin());
}

TAttrOps PictureApplyOps(const TPictureProperties& picture) {
    TAttrOps ops;
    ops.push_back(TAttrOp::SetTo("src", picture.Source));
    ops.push_back(TAttrOp::SetTo("alt", picture.AltText));
    if (SF::Trim(picture.Border).empty())
        ops.push_back(TAttrOp::Removal("border"));
    else
        ops.push_back(TAttrOp::SetTo("border", picture.Border));
    const auto& entries = PictureTexts::Alignments;
    if (picture.Align == 0)
        ops.push_back(TAttrOp::Removal("align"));
    else if (picture.Align > 0 && picture.Align < static_cast<int>(entries.size()))
        ops.push_back(TAttrOp::SetTo("align", entries[static_cast<std::size_t>(picture.Align)]));
    // An empty spacing box removes the attribute, as the border box does: an empty
    // hspace="" is no value at all and would only clutter the page.
    const std::string hspace = SF::Trim(picture.Hspace);
    if (hspace.empty())
        ops.push_back(TAttrOp::Removal("hspace"));
    else
        ops.push_back(TAttrOp::SetTo("hspace", hspace == "0" ? "-1" : picture.Hspace));
    if (SF::Trim(picture.Vspace).empty())
        ops.push_back(TAttrOp::Removal("vspace"));
    else
        ops.push_back(TAttrOp::SetTo("vspace", picture.Vspace));
    return ops;
}

// ---- page properties ---------------------------------------------------------------------

namespace {

TColorSetting LoadColor(const THtmlAttributes& body, const char* name) {
    const std::string value = body.Get(name);
    return {!value.empty(), value};
}

void ColorOp(TAttrOps& ops, const char* name, const TColorSetting& setting) {
    if (setting.Checked && !setting.Color.empty())
        ops.push_back(TAttrOp::SetTo(name, setting.Color));
    else
        ops.push_back(TAttrOp::Removal(name));
}

void MarginOps(TAttrOps& ops, const char* name, const char* alias, bool specified,
               const std::string& value) {
    if (specified && !value.empty()) {
        ops.push_back(TAttrOp::SetTo(name, value));
        ops.push_back(TAttrOp::SetTo(alias, value));
    } else {
        ops.push_back(TAttrOp::Removal(name));
        ops.push_back(TAttrOp::Removal(alias));
    }
}

} // namespace

TPageProperties LoadPageProperties(const THtmlAttributes& body) {
    TPageProperties p;
    p.BackgroundPicture = body.Get("background");
    p.HasBackground = !p.BackgroundPicture.empty();
    p.Fixed = SF::SameText(body.Get("bgproperties"), "fixed");
    p.BackColor = LoadColor(body, "bgcolor");
    p.Text = LoadColor(body, "text");
    p.Link = LoadColor(body, "link");
    p.VisitedLink = LoadColor(body, "vlink");
    p.ActiveLink = LoadColor(body, "alink");
    p.Top = body.Get("topmargin");
    p.SpecifyTop = p.Top != PageTexts::DefaultTopMargin;
    if (!p.SpecifyTop)
        p.Top.clear();
    p.Left = body.Get("leftmargin");
    p.SpecifyLeft = p.Left != PageTexts::DefaultLeftMargin;
    if (!p.SpecifyLeft)
        p.Left.clear();
    return p;
}

void FollowPageChecks(TPageProperties& page) {
    if (!page.HasBackground)
        page.BackgroundPicture.clear();
    for (TColorSetting* c :
         {&page.BackColor, &page.Text, &page.Link, &page.VisitedLink, &page.ActiveLink}) {
        if (!c->Checked)
            c->Color.clear();
    }
}

TPageEnabling PageEnabling(const TPageProperties& page) {
    TPageEnabling e;
    e.BackgroundPicture = page.HasBackground;
    e.BackColor = page.BackColor.Checked;
    e.Text = page.Text.Checked;
    e.Link = page.Link.Checked;
    e.VisitedLink = page.VisitedLink.Checked;
    e.ActiveLink = page.ActiveLink.Checked;
    e.Top = page.SpecifyTop;
    e.Left = page.SpecifyLeft;
    return e;
}

TAttrOps PageApplyOps(const TPageProperties& page) {
    TAttrOps ops;
    if (page.HasBackground && !page.BackgroundPicture.empty())
        ops.push_back(TAttrOp::SetTo("background", page.BackgroundPicture));
    else
        ops.push_back(TAttrOp::Removal("background"));
    if (page.Fixed)
        ops.push_back(TAttrOp::SetTo("bgproperties", "fixed"));
    else
        ops.push_back(TAttrOp::Removal("bgproperties"));
    ColorOp(ops, "bgcolor", page.BackColor);
    ColorOp(ops, "text", page.Text);
    ColorOp(ops, "link", page.Link);
    ColorOp(ops, "vlink", page.VisitedLink);
    ColorOp(ops, "alink", page.ActiveLink);
    MarginOps(ops, "topmargin", "marginheight", page.SpecifyTop, page.Top);
    MarginOps(ops, "leftmargin", "marginwidth", page.SpecifyLeft, page.Left);
    return ops;
}

} // namespace parvane
