#pragma once
// The per-user settings the main window keeps between runs (window bounds, pane width,
// editor display toggles, recent projects). The store itself is the desktop's (QSettings
// under "Teskarro/Parvane"); the rules for reading and writing it live here.

#include <map>
#include <optional>
#include <string>

namespace parvane {

class TSettingsStore {
public:
    virtual ~TSettingsStore() = default;
    // nullopt when the value is missing or cannot be read.
    virtual std::optional<std::string> Read(const std::string& key) const = 0;
    virtual void Write(const std::string& key, const std::string& value) = 0;

    std::optional<int> ReadInteger(const std::string& key) const;
    std::optional<bool> ReadBool(const std::string& key) const;
    void WriteInteger(const std::string& key, int value) { Write(key, std::to_string(value)); }
    void WriteBool(const std::string& key, bool value) { Write(key, value ? "true" : "false"); }
};

// A store in memory, for tests and for a session without a settings file.
class TMemorySettingsStore : public TSettingsStore {
public:
    std::optional<std::string> Read(const std::string& key) const override;
    void Write(const std::string& key, const std::string& value) override { values[key] = value; }
    std::map<std::string, std::string> values;
};

struct TWindowState {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    int NavWidth = 233;
    bool ShowBorder = false;
    bool ShowDetail = false;
    // Which values came from the store: reading stops at the first missing one, and what
    // was not read keeps the design values.
    bool HasBounds = false;
    bool HasNavWidth = false;
    bool HasShowBorder = false;
    bool HasShowDetail = false;
};

// Design size of the window's client area and of the navigation pane.
inline constexpr int DesignClientWidth = 816;
inline constexpr int DesignClientHeight = 536;
inline constexpr int DesignNavWidth = 233;

TWindowState LoadWindowState(const TSettingsStore& store);
// Writes the normal (never maximised) bounds; a pane width of 0 or less is stored as 1.
void SaveWindowState(TSettingsStore& store, const TWindowState& state);

} // namespace parvane
