#pragma once

#include "common/Logger.h"

#include <algorithm>
#include <exception>
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
    // Calls a member of every listener, in the order they were added. What a
    // listener throws is logged and goes no further: the library's threads must
    // outlive any listener's fault, and the other listeners are still called.
    template <typename Call> void notify(Call&& call) const
    {
        for (T* listener : listeners_) {
            try {
                call(*listener);
            } catch (const std::exception& error) {
                LOG("listener failed: ", error.what());
            } catch (...) {
                LOG("listener failed: unknown exception");
            }
        }
    }

private:
    std::vector<T*> listeners_;
};

} // namespace gtl
