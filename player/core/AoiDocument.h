#pragma once

#include "player/data/AoiSet.h"

#include <QString>
#include <filesystem>
#include <functional>

// The areas of interest of the open movie and their file beside it
// ("<movie>_aois.csv"), kept as the shot file is: a file that cannot be read
// is never written over (edits go to a new file beside it), and edits are
// saved whole or not at all when the movie closes. Used from one thread.
class AoiDocument
{
public:
    // Asks the user a yes/no question.
    using Ask = std::function<bool(const QString& question)>;

    AoiSet& aois() { return aois_; }
    const AoiSet& aois() const { return aois_; }
    bool isOpen() const { return open_; }
    const std::filesystem::path& file() const { return file_; }

    // Loads the file beside the movie; a missing file gives no areas. Returns
    // the problem to tell the user, empty when there is none.
    QString open(const std::filesystem::path& movie);
    // Saves edited areas and forgets them. The user is asked first, and asked
    // again when writing fails; when the program is ending nobody is asked:
    // the areas are written, beside the file when its own place fails. Returns
    // what to tell the user (where they went when not to their own file).
    QString close(const Ask& ask, bool programEnding);

private:
    QString saveAsking(const Ask& ask);
    void saveEnding();

    AoiSet aois_;
    std::filesystem::path file_;
    bool loadFailed_ = false;
    bool open_ = false;
};
