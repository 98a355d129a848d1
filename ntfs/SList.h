#pragma once
// The owning singly walked list of the NTFS classes: attributes of a record,
// data runs of an attribute, extension records of an attribute list, entries
// of an index node. Elements are appended at the tail and walked with
// First()/Next(), which move the list's one cursor and so are not const;
// readers that must not disturb a walk use Front() or Elements().
// Removing all of them destroys them.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

template <typename T>
class CSList {
public:
    CSList() = default;
    virtual ~CSList() = default;
    CSList(const CSList&) = delete;
    CSList& operator=(const CSList&) = delete;
    CSList(CSList&&) noexcept = default;
    CSList& operator=(CSList&&) noexcept = default;

    void Append(std::unique_ptr<T> element) {
        if (element) m_elements.push_back(std::move(element));
    }

    // Sets the cursor to the head; null when the list is empty.
    T* First() {
        m_cursor = 0;
        return m_elements.empty() ? nullptr : m_elements.front().get();
    }

    // Advances the cursor; null past the tail.
    T* Next() {
        if (m_cursor >= m_elements.size()) return nullptr;
        ++m_cursor;
        return m_cursor < m_elements.size() ? m_elements[m_cursor].get() : nullptr;
    }

    // Destroys every element and leaves the list empty. The storage is kept so
    // that a list refilled record after record does not allocate again.
    void RemoveAll() {
        m_elements.clear();
        m_cursor = 0;
    }

    // Moves every element, in order, to the tail of `destination`; this list
    // is left empty and the elements now belong to `destination`.
    void MoveAllTo(CSList& destination) {
        for (auto& element : m_elements) destination.m_elements.push_back(std::move(element));
        RemoveAll();
    }

    // The head, leaving the cursor where it is; null when the list is empty.
    T* Front() const { return m_elements.empty() ? nullptr : m_elements.front().get(); }
    // Every element in order, for walks that leave the cursor alone.
    const std::vector<std::unique_ptr<T>>& Elements() const { return m_elements; }

    uint32_t Count() const { return static_cast<uint32_t>(m_elements.size()); }
    bool Empty() const { return m_elements.empty(); }

private:
    std::vector<std::unique_ptr<T>> m_elements;
    size_t m_cursor = 0;
};
