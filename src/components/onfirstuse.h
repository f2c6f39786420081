#pragma once

#include <functional>

// A window or page made the first time it is used: using it (->, or as a
// pointer) makes it through the maker if it has not been made yet. The made
// object enters itself (operator=) or is entered by the maker. A maker makes
// nothing once its owner is going (the slot then stays null); an object
// whose construction reaches its own slot finds null there.
template<typename T> class OnFirstUse
{
public:
    OnFirstUse &operator=(T *made)
    {
        m_made = made;
        return *this;
    }
    void setMaker(std::function<void()> maker) { m_maker = std::move(maker); }
    // Whether the object exists, without making it.
    bool made() const { return m_made != nullptr; }
    // The object, made now if need be; null only while it is being made or
    // when the maker made nothing.
    T *get()
    {
        if (!m_made && m_maker && !m_making) {
            m_making = true;
            struct Reset
            {
                bool &flag;
                ~Reset() { flag = false; }
            } reset{m_making};
            m_maker();
        }
        return m_made;
    }
    // The object if it was made, without making it.
    T *ifMade() const { return m_made; }
    T *operator->() { return get(); }
    operator T *() { return get(); }

private:
    T *m_made = nullptr;
    std::function<void()> m_maker;
    bool m_making = false;
};
