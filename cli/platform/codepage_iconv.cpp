// Code page conversion through iconv. The descriptors are opened once per thread and code
// page: a walk converts every name it meets.
#include <errno.h>
#include <iconv.h>

#include <map>
#include <utility>

#include "codepage.h"

namespace vexa::cli::codepage_detail {

namespace {

class Converter {
  public:
    Converter(const std::string& to, const std::string& from)
        : cd_(::iconv_open(to.c_str(), from.c_str())) {}
    ~Converter() {
        if (IsValid()) ::iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool IsValid() const { return cd_ != iconv_t(-1); }

    std::optional<std::string> Convert(const std::string& input) {
        if (!IsValid()) return std::nullopt;
        ::iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
        std::string output(input.size() * 4 + 8, '\0');
        char* in = const_cast<char*>(input.data());
        size_t inLeft = input.size();
        char* out = output.data();
        size_t outLeft = output.size();
        // Invalid or unconvertible input stops the conversion (no //TRANSLIT, no best fit).
        if (::iconv(cd_, &in, &inLeft, &out, &outLeft) == size_t(-1)) return std::nullopt;
        if (::iconv(cd_, nullptr, nullptr, &out, &outLeft) == size_t(-1)) return std::nullopt;
        output.resize(output.size() - outLeft);
        return output;
    }

  private:
    iconv_t cd_;
};

std::optional<std::string> Convert(const std::string& to, const std::string& from,
                                   const std::string& text) {
    thread_local std::map<std::pair<std::string, std::string>, Converter> converters;
    auto found = converters.find({to, from});
    if (found == converters.end())
        found = converters
                    .emplace(std::piecewise_construct, std::forward_as_tuple(to, from),
                             std::forward_as_tuple(to, from))
                    .first;
    return found->second.Convert(text);
}

std::string CharsetName(unsigned codePage) {
    return "CP" + std::to_string(codePage);
}

}  // namespace

std::optional<std::string> FromUtf8(const std::string& utf8, unsigned codePage) {
    return Convert(CharsetName(codePage), "UTF-8", utf8);
}

std::optional<std::string> ToUtf8(const std::string& bytes, unsigned codePage) {
    return Convert("UTF-8", CharsetName(codePage), bytes);
}

}  // namespace vexa::cli::codepage_detail
