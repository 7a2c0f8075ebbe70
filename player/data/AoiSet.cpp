#include "player/data/AoiSet.h"

#include <algorithm>

std::ptrdiff_t AoiSet::find(const std::string& name) const
{
    const auto found =
        std::find_if(aois_.begin(), aois_.end(), [&](const Aoi& aoi) { return aoi.name == name; });
    return found == aois_.end() ? -1 : found - aois_.begin();
}

void AoiSet::reset(std::vector<Aoi> aois)
{
    aois_ = std::move(aois);
    undo_.clear();
    modified_ = false;
}

bool AoiSet::validBox(const AoiKey& key)
{
    if (key.shape == AoiShape::Hidden)
        return true;
    const auto inRange = [](int v) { return v >= kMinPosition && v <= kMaxPosition; };
    return inRange(key.x) && inRange(key.y) && key.width > 0 && key.height > 0 && key.width <= kMaxSize &&
           key.height <= kMaxSize;
}

void AoiSet::remember(Change change)
{
    if (undo_.size() >= kUndoDepth)
        undo_.erase(undo_.begin());
    undo_.push_back(std::move(change));
    modified_ = true;
}

AoiSet::Edit AoiSet::addAoi(const std::string& name, int timeMs, const AoiKey& shape)
{
    if (!isValidAoiName(name))
        return Edit::BadName;
    if (find(name) >= 0)
        return Edit::NameTaken;
    if (timeMs < 0)
        return Edit::BadTime;
    if (shape.shape == AoiShape::Hidden || !validBox(shape))
        return Edit::BadBox;
    if (aois_.size() >= kMaxAois)
        return Edit::TooMany;
    AoiKey key = shape;
    key.timeMs = timeMs;
    aois_.push_back(Aoi{name, {key}});
    remember({aois_.size() - 1, std::nullopt, true});
    return Edit::Done;
}

AoiSet::Edit AoiSet::rename(std::size_t index, const std::string& name)
{
    if (index >= aois_.size())
        return Edit::NoSuchAoi;
    if (!isValidAoiName(name))
        return Edit::BadName;
    if (const auto other = find(name); other >= 0 && static_cast<std::size_t>(other) != index)
        return Edit::NameTaken;
    // The same name again is no change: nothing to save or undo.
    if (aois_[index].name == name)
        return Edit::Done;
    remember({index, aois_[index], true});
    aois_[index].name = name;
    return Edit::Done;
}

AoiSet::Edit AoiSet::removeAoi(std::size_t index)
{
    if (index >= aois_.size())
        return Edit::NoSuchAoi;
    remember({index, std::move(aois_[index]), false});
    aois_.erase(aois_.begin() + static_cast<std::ptrdiff_t>(index));
    return Edit::Done;
}

AoiSet::Edit AoiSet::putKey(std::size_t index, AoiKey key)
{
    if (index >= aois_.size())
        return Edit::NoSuchAoi;
    if (key.timeMs < 0)
        return Edit::BadTime;
    std::vector<AoiKey>& keys = aois_[index].keys;
    const auto at = std::lower_bound(keys.begin(), keys.end(), key.timeMs,
                                     [](const AoiKey& k, int t) { return k.timeMs < t; });
    const bool replaces = at != keys.end() && at->timeMs == key.timeMs;
    if (!replaces && keys.size() >= kMaxKeysPerAoi)
        return Edit::TooMany;
    remember({index, aois_[index], true});
    if (replaces)
        *at = key;
    else
        keys.insert(at, key);
    return Edit::Done;
}

AoiSet::Edit AoiSet::setKey(std::size_t index, int timeMs, const AoiKey& shape)
{
    if (shape.shape == AoiShape::Hidden || !validBox(shape))
        return Edit::BadBox;
    AoiKey key = shape;
    key.timeMs = timeMs;
    return putKey(index, key);
}

AoiSet::Edit AoiSet::hideFrom(std::size_t index, int timeMs)
{
    AoiKey key;
    key.timeMs = timeMs;
    return putKey(index, key);
}

AoiSet::Edit AoiSet::removeKey(std::size_t index, int timeMs)
{
    if (index >= aois_.size())
        return Edit::NoSuchAoi;
    std::vector<AoiKey>& keys = aois_[index].keys;
    const auto at =
        std::find_if(keys.begin(), keys.end(), [timeMs](const AoiKey& k) { return k.timeMs == timeMs; });
    if (at == keys.end())
        return Edit::NoSuchKey;
    if (keys.size() == 1)
        return removeAoi(index);
    remember({index, aois_[index], true});
    keys.erase(at);
    return Edit::Done;
}

bool AoiSet::undo()
{
    if (undo_.empty())
        return false;
    Change change = std::move(undo_.back());
    undo_.pop_back();
    const auto at = aois_.begin() + static_cast<std::ptrdiff_t>(change.index);
    if (!change.before)
        aois_.erase(at);
    else if (change.present)
        *at = std::move(*change.before);
    else
        aois_.insert(at, std::move(*change.before));
    modified_ = true;
    return true;
}

std::optional<int> AoiSet::previousKeyTime(std::size_t index, int timeMs) const
{
    if (index >= aois_.size())
        return std::nullopt;
    const std::vector<AoiKey>& keys = aois_[index].keys;
    const auto at = std::lower_bound(keys.begin(), keys.end(), timeMs,
                                     [](const AoiKey& k, int t) { return k.timeMs < t; });
    if (at == keys.begin())
        return std::nullopt;
    return std::prev(at)->timeMs;
}

std::optional<int> AoiSet::nextKeyTime(std::size_t index, int timeMs) const
{
    if (index >= aois_.size())
        return std::nullopt;
    const std::vector<AoiKey>& keys = aois_[index].keys;
    const auto at = std::upper_bound(keys.begin(), keys.end(), timeMs,
                                     [](int t, const AoiKey& k) { return t < k.timeMs; });
    if (at == keys.end())
        return std::nullopt;
    return at->timeMs;
}
