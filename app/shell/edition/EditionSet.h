#pragma once
// A set of customer editions written as single numbers and inclusive ranges,
// the key of every table of the edition profile:
//
//   const EditionSet dark = { 54 };
//   const EditionSet plain = { 0, { 47, 49 }, 59 };
//
// Pure; any thread.
#include <initializer_list>
#include <vector>

class EditionSet
{
public:
    struct Range {
        Range(int single)
            : first(single)
            , last(single)
        {
        }
        Range(int from, int to)
            : first(from)
            , last(to)
        {
        }
        int first;
        int last;
    };

    EditionSet() = default;
    EditionSet(std::initializer_list<Range> ranges)
        : m_ranges(ranges)
    {
    }

    bool contains(int edition) const
    {
        for (const Range& r : m_ranges) {
            if (edition >= r.first && edition <= r.last)
                return true;
        }
        return false;
    }
    bool isEmpty() const { return m_ranges.empty(); }

private:
    std::vector<Range> m_ranges;
};
