#!/usr/bin/env python3
"""Writes .pvx project files the way the 8-bit desktop platform writes them: Windows-1252
bytes, CR LF line ends, backslash paths, keywords joined by "`\\", and "$AppDir$" in
RootDir where a project lives below the program folder.

It is written from the file format alone, independently of the C++ reader, so the tests
can check that reader against files of the other platform.

    write_pvx.py [OUTPUT_FOLDER]    writes the sample projects (default: ./projects)
"""

import os
import sys

# [GENERAL] keys in file order, with the values the other platform's new project has.
GENERAL_DEFAULTS = [
    ("Title", ""),
    ("RootDir", ""),
    ("DefaultTopic", ""),
    ("CompiledFile", "unnamed.chm"),
    ("CustomTemplate", ""),
    ("DefaultTemplate", "1"),
    ("Encoding", "Windows-1252"),
    ("Language", "0x0409"),
    ("DeleteProject", "0"),
    ("ViewCompiledFile", "1"),
    ("HasChild", "0"),
    ("NoChild", "10"),
    ("HtmlHelpTemplate", ""),
    ("HtmlHelpTitle", ""),
    ("HtmlHelpTitleSame", "1"),
    ("WebHelpDefault", ""),
    ("WebHelpOutputFolder", "c:\\WebHelp"),
    ("WebHelpTemplate", ""),
    ("WebHelpTitle", ""),
    ("WebHelpDefaultSame", "1"),
    ("WebHelpTemplateSame", "1"),
    ("WebHelpTilteSame", "1"),
    ("StartFromRoot", "1"),
    ("AutoCollapse", "0"),
    ("DrawLines", "1"),
    ("SingleHtmlFilename", "index.htm"),
    ("SingleHtmlOutputFolder", "c:\\SingleHTML"),
    ("SingleHtmlTitle", ""),
    ("SingleHtmlHasToc", "0"),
    ("SingleHtmlSame", "1"),
    ("HeadProperties", "1"),
    ("PageProperties", "1"),
    ("RealColorIcon", "0"),
    ("ShowIndex", "1"),
    ("NavWidth", "250"),
    ("WebFontColor", "#000000"),
    ("WebBackColor", "#DCDBD6"),
    ("HHPFolder", ""),
]

_TRUE_FLAGS = {
    "ShowPanesToolbar", "ShowPane", "Hide", "Locate", "Back", "bForward", "Stop", "Refresh",
    "Home", "Print", "Option", "AutoSync", "Content", "Index", "Search", "Favorite",
    "PlusMinus", "ShowSelection", "ShowRoot", "DrawLines",
}
_FLAGS = [
    "ShowMSDNMenu", "ShowPanesToolbar", "ShowPane", "HideToolbar", "HideToolbarText",
    "StayOnTop", "Maximize", "Hide", "Locate", "Back", "bForward", "Stop", "Refresh", "Home",
    "Print", "Option", "Jump1", "Jump2", "AutoShowHide", "AutoSync", "Content", "Index",
    "Search", "Favorite", "UseFolder", "AutoTrack", "SelectRow", "PlusMinus", "ShowSelection",
    "ShowRoot", "DrawLines", "AutoExpand", "RightToLeft", "LeftScroll", "Border",
    "DialogFrame", "RaisedEdge", "SunkenEdge", "SavePosition",
]

# [CHMSetting] keys in file order.
CHM_DEFAULTS = (
    [("Top", "50"), ("Left", "50"), ("Height", "500"), ("Width", "700"),
     ("PaneWidth", "250"), ("DefaultTab", "0")]
    + [(flag, "1" if flag in _TRUE_FLAGS else "0") for flag in _FLAGS]
    + [("ContentsFont", ",8,0"), ("IndexFont", ",8,0"), ("Title", ""), ("Language", ""),
       ("Font", ""), ("DefaultTopic", "")]
)

TOPIC_FIELDS = ["Title", "Level", "Url", "Icon", "Status", "Keywords", "ContextNumber",
                "ApplyTemp", "Expanded", "Kind"]


def topic(title, level=0, url="", icon=0, status=0, keywords=(), context="",
          apply_temp=False, expanded=False, kind=0):
    """One topic record; values may also be given as raw strings for damaged files."""
    return {
        "Title": title, "Level": level, "Url": url, "Icon": icon, "Status": status,
        "Keywords": "`\\".join(keywords) if not isinstance(keywords, str) else keywords,
        "ContextNumber": context,
        "ApplyTemp": int(apply_temp) if isinstance(apply_temp, bool) else apply_temp,
        "Expanded": int(expanded) if isinstance(expanded, bool) else expanded,
        "Kind": kind,
    }


def pvx_lines(general=None, chm=None, topics=(), count=None):
    """The lines of a project file. general and chm override default values by key."""
    general = dict(general or {})
    chm = dict(chm or {})
    lines = ["[GENERAL]"]
    lines += ["%s=%s" % (k, general.pop(k, v)) for k, v in GENERAL_DEFAULTS]
    lines += ["%s=%s" % (k, v) for k, v in general.items()]  # extra keys, if any
    lines.append("")
    lines.append("[CHMSetting]")
    lines += ["%s=%s" % (k, chm.pop(k, v)) for k, v in CHM_DEFAULTS]
    lines.append("")
    lines.append("[TOPICS]")
    lines.append("TitleList=%s" % (len(topics) if count is None else count))
    for n, t in enumerate(topics):
        for field in TOPIC_FIELDS:
            lines.append("TitleList.%s.%d=%s" % (field, n, t[field]))
    lines.append("")
    return lines


def write_pvx(path, general=None, chm=None, topics=(), count=None, encoding="cp1252"):
    data = "".join(line + "\r\n" for line in pvx_lines(general, chm, topics, count))
    with open(path, "wb") as f:
        f.write(data.encode(encoding))


def write_samples(folder):
    os.makedirs(folder, exist_ok=True)

    # A project as the other platform saves it: accented titles and pages in
    # Windows-1252, a root folder below the project file, pages in subfolders.
    write_pvx(
        os.path.join(folder, "reference.pvx"),
        general={
            "Title": "Manuel d'aide",
            "RootDir": "pages\\",
            "DefaultTopic": "intro.htm",
            "CompiledFile": "..\\out\\manuel.chm",
            "Encoding": "Windows-1252",
            "HtmlHelpTemplate": "templates\\main.htm",
            "WebHelpTemplate": "Templates\\Main.htm",
            "HasChild": "2",
            "NoChild": "0x0A",
            "WebFontColor": "#123456",
        },
        chm={"Title": "Aide", "Top": "70", "UseFolder": "1", "ContentsFont": "Tahoma,8,0"},
        topics=[
            topic("Introduction", url="intro.htm", keywords=["début", "start"],
                  context="100"),
            topic("Café crème", status=2, expanded=True),
            topic("Résumé", level=1, url="sub\\résumé.htm", icon=3),
            topic("New page", level=1, status=1, expanded=True),
            topic("Deep = deeper", level=2, url="sub\\deep\\deep.htm", apply_temp=True),
            topic("Last", url="last.htm", icon=9),
            topic("Glossary", url="glossary.htm", kind=1),
            topic("Main template", url="templates\\main.htm", kind=2),
        ],
    )

    # A project kept below the program folder: its root is written with "$AppDir$".
    write_pvx(
        os.path.join(folder, "appdir.pvx"),
        general={"Title": "Library", "RootDir": "$APPDIR$\\templates"},
        topics=[topic("Blue", url="blue\\blue.htm"), topic("Green", url="green\\green.htm")],
    )

    # A damaged file: a count far beyond the topics present, a first topic deeper than
    # level 0, a level jump, a level climbing above the roots, a Kind out of range and
    # numbers that are not numbers.
    write_pvx(
        os.path.join(folder, "damaged.pvx"),
        general={"NoChild": "ten", "NavWidth": "", "ViewCompiledFile": "yes"},
        chm={"Top": "0x", "Width": "12abc"},
        topics=[
            topic("Orphan", level=2, url="orphan.htm"),
            topic("Jump", level=5, url="jump.htm"),
            topic("Climb", level=1, url="climb.htm"),
            topic("Stray", level=0, url="stray.htm", kind=7),
            topic("Odd", level="x", url="odd.htm", icon="abc", status="-", kind=1),
        ],
        count=99999999,
    )


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "projects")
    write_samples(out)
