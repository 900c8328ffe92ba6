// How the stub's hash tables (the reader's name index, the folders made for an extraction) pick
// their bucket counts. libstdc++'s own rule rounds up to a prime from a 1 KiB table, which its
// object brings into the stub with 600 bytes of code; the tables here only look names up, never
// walk their buckets in order, and hash strings with a hash that mixes all bits (std::hash), so
// any count serves: an odd count at least as large as asked is enough.
#include <cstdint>
#include <unordered_set>

namespace std::__detail {

namespace {
// A non-negative double as a whole number: rounded down, and saturated where the type ends.
std::size_t WholePart(double value) {
    return value >= double(SIZE_MAX) ? SIZE_MAX : std::size_t(value);
}
}  // namespace

std::size_t _Prime_rehash_policy::_M_next_bkt(std::size_t wanted) const {
    const std::size_t buckets = wanted | 1;
    _M_next_resize = WholePart(double(buckets) * double(_M_max_load_factor));
    return buckets;
}

// Grows when the elements after an insertion pass the limit: to at least twice the buckets,
// and to at least 11 for the first insertion into an empty table.
std::pair<bool, std::size_t> _Prime_rehash_policy::_M_need_rehash(std::size_t buckets,
                                                                  std::size_t elements,
                                                                  std::size_t inserted) const {
    if (elements + inserted <= _M_next_resize) return {false, 0};
    std::size_t wanted = elements + inserted;
    if (_M_next_resize == 0 && wanted < 11) wanted = 11;
    const double neededBuckets = double(wanted) / double(_M_max_load_factor);
    if (neededBuckets >= double(buckets)) {
        const std::size_t atLeast = WholePart(neededBuckets) + 1;
        const std::size_t doubled = buckets * _S_growth_factor;
        return {true, _M_next_bkt(atLeast > doubled ? atLeast : doubled)};
    }
    _M_next_resize = WholePart(double(buckets) * double(_M_max_load_factor));
    return {false, 0};
}

}  // namespace std::__detail
