#pragma once

#include <cstddef>
#include <numeric>
#include <vector>

namespace Layout {

// Elements 0..size-1 grouped into sets that joining merges (union-find).
class DisjointSets
{
public:
    explicit DisjointSets(std::size_t size) : parent(size)
    {
        std::iota(parent.begin(), parent.end(), 0);
    }

    // The element that stands for the set holding `element`.
    std::size_t Root(std::size_t element)
    {
        while (parent[element] != element) {
            parent[element] = parent[parent[element]];
            element = parent[element];
        }
        return element;
    }

    // Puts the set of `b` into the set of `a`, whose root stays.
    void Join(std::size_t a, std::size_t b) { parent[Root(b)] = Root(a); }

private:
    std::vector<std::size_t> parent;
};

} // namespace Layout
