#pragma once

#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

// Ordered list of the parts of a file; the list owns them.
template <typename T> class TGIFList {
public:
    int Count() const { return static_cast<int>(FItems.size()); }
    bool Empty() const { return FItems.empty(); }
    T& operator[](int index) const { return *FItems.at(static_cast<std::size_t>(index)); }

    T& Add(std::unique_ptr<T> item) {
        FItems.push_back(std::move(item));
        return *FItems.back();
    }
    void Clear() { FItems.clear(); }

    auto begin() const { return FItems.begin(); }
    auto end() const { return FItems.end(); }

private:
    std::vector<std::unique_ptr<T>> FItems;
};
