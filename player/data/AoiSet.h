#pragma once

#include "player/data/Aoi.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// The areas of interest of one movie and the edits made to them, each of
// which can be undone, newest first. Used from one thread.
class AoiSet
{
public:
    // Why an edit was refused; Done (0) when it was made.
    enum class Edit : int
    {
        Done = 0,
        BadName,   // empty, too long, or holding ';' or a control character
        NameTaken, // another area has that name
        NoSuchAoi, // index out of range
        NoSuchKey, // no key at that time
        BadTime,   // a negative time
        BadBox,    // hidden shape, or a width or height not above 0, or out of range
        TooMany    // more areas or keys than a file may hold
    };

    // Bounds of what a set holds, so that a file and the work over it stay bounded.
    static constexpr std::size_t kMaxAois = 1000;
    static constexpr std::size_t kMaxKeysPerAoi = 100000;
    static constexpr int kMinPosition = -1000000;
    static constexpr int kMaxPosition = 2000000;
    static constexpr int kMaxSize = 3000000;
    // Edits remembered for undo.
    static constexpr std::size_t kUndoDepth = 200;

    const std::vector<Aoi>& aois() const { return aois_; }
    // Index of the area of that name; -1 when none.
    std::ptrdiff_t find(const std::string& name) const;

    // Replaces everything, forgetting the edits (as after loading a file).
    void reset(std::vector<Aoi> aois);

    // A new area with a first key at timeMs.
    Edit addAoi(const std::string& name, int timeMs, const AoiKey& shape);
    Edit rename(std::size_t index, const std::string& name);
    Edit removeAoi(std::size_t index);
    // Puts the shape (rectangle or ellipse) at timeMs: the key there changes,
    // or a key is added there.
    Edit setKey(std::size_t index, int timeMs, const AoiKey& shape);
    // A hidden key at timeMs (replacing a key there): hidden from then until the next key.
    Edit hideFrom(std::size_t index, int timeMs);
    // Removes the key at exactly timeMs; the last key removes the area.
    Edit removeKey(std::size_t index, int timeMs);

    // Undoes the newest edit not yet undone; false when there is none.
    bool undo();
    bool canUndo() const { return !undo_.empty(); }

    // The key times next to timeMs, for stepping between keys; nothing when none.
    std::optional<int> previousKeyTime(std::size_t index, int timeMs) const;
    std::optional<int> nextKeyTime(std::size_t index, int timeMs) const;

    bool modified() const { return modified_; }
    void setModified(bool modified) { modified_ = modified; }

    // The check applied to every shaped key, in edits and in files.
    static bool validBox(const AoiKey& key);

private:
    // The area at index before an edit (nothing when the edit added it), and
    // whether the edit left an area at index.
    struct Change
    {
        std::size_t index = 0;
        std::optional<Aoi> before;
        bool present = true;
    };
    void remember(Change change);
    Edit putKey(std::size_t index, AoiKey key);

    std::vector<Aoi> aois_;
    std::vector<Change> undo_;
    bool modified_ = false;
};
