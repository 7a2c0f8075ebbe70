#pragma once

#include <algorithm>
#include <vector>

namespace gtl {

// Non-owning list of listeners of one interface. Listeners are added before a
// connection starts and stay registered while it runs, so the list has no lock.
template <typename T> class Observable
{
public:
    virtual ~Observable() = default;

    // A listener already present is not added twice.
    void add_listener(T& listener)
    {
        if (std::find(listeners_.begin(), listeners_.end(), &listener) == listeners_.end())
            listeners_.push_back(&listener);
    }

    // The last listener takes the place of the removed one; order is not kept.
    void remove_listener(T& listener)
    {
        for (auto it = listeners_.rbegin(); it != listeners_.rend(); ++it) {
            if (*it == &listener) {
                *it = listeners_.back();
                listeners_.pop_back();
                return;
            }
        }
    }

    std::size_t listener_count() const { return listeners_.size(); }

protected:
    // Calls a member of every listener, in the order they were added.
    template <typename Call> void notify(Call&& call) const
    {
        for (T* listener : listeners_)
            call(*listener);
    }

private:
    std::vector<T*> listeners_;
};

} // namespace gtl
