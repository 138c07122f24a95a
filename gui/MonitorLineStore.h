#pragma once
// What the monitor view reads: the lines kept by the monitor model. The
// calls may be made on the GUI thread while other threads append, so an
// implementation guards its own storage.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "display/LineStore.h"

namespace tulex {

class MonitorLineStore {
public:
    virtual ~MonitorLineStore() = default;
    virtual std::size_t count() const = 0;
    // Line i (0-based) as Windows-1251 bytes; empty for i >= count().
    virtual std::string line(std::size_t i) const = 0;
    // Changes whenever the lines were thrown away (clear, new window), so the
    // view starts over even if the count grew back in between.
    virtual std::uint64_t generation() const { return 0; }
    // What line i is, for the filter.
    virtual MonitorTag tag(std::size_t) const { return {}; }
    // Appends to out the numbers of the lines from `from` on that the filter
    // passes. A store that keeps its tags together does it in one pass.
    virtual void matching(const MonitorFilter& filter, std::size_t from, std::vector<std::uint32_t>& out) const {
        for (std::size_t i = from, n = count(); i < n; ++i)
            if (filter.Passes(tag(i))) out.push_back(static_cast<std::uint32_t>(i));
    }
};

}  // namespace tulex
