// A reader of coefficient files as the Vivado memory cores accept them, kept
// apart from the program so that it can judge what the program writes:
//   keyword = value ;   with the keywords memory_initialization_radix and
//   memory_initialization_vector in any case; values separated by commas
//   and/or white space; a ; ends a statement and the rest of its line is a
//   comment; every digit must be valid for the radix.
#pragma once

#include <cctype>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tolvane::testing {

struct coe_contents {
    int radix = 0;
    std::vector<std::uint32_t> words;
};

class coe_parser {
public:
    explicit coe_parser(const std::string& text) : text_{text} {}

    // The radix and the words, or nullopt with the reason in `error`.
    std::optional<coe_contents> parse()
    {
        bool has_radix = false;
        bool has_vector = false;
        coe_contents contents;
        for (skip_space(); at_ < text_.size(); skip_space()) {
            if (take(';')) {
                skip_comment();
                continue;
            }
            const std::string keyword = lowercase(take_word());
            skip_space();
            if (!take('='))
                return fail("expected = after '" + keyword + "'");
            if (keyword == "memory_initialization_radix") {
                skip_space();
                const std::string digits = take_word();
                if (digits != "2" && digits != "10" && digits != "16")
                    return fail("radix '" + digits + "'");
                contents.radix = std::stoi(digits);
                has_radix = true;
                skip_space();
                if (!take(';'))
                    return fail("radix without ;");
            } else if (keyword == "memory_initialization_vector") {
                if (!has_radix)
                    return fail("vector before radix");
                if (!read_vector(contents))
                    return std::nullopt;
                has_vector = true;
            } else {
                return fail("unknown keyword '" + keyword + "'");
            }
            skip_comment();
        }
        if (!has_radix || !has_vector)
            return fail("radix or vector missing");
        return contents;
    }

    const std::string& error() const { return error_; }

private:
    bool read_vector(coe_contents& contents)
    {
        for (;;) {
            while (at_ < text_.size() && (is_space(text_[at_]) || text_[at_] == ','))
                ++at_;
            if (at_ == text_.size()) {
                fail("vector without ;");
                return false;
            }
            if (take(';'))
                return true;
            const std::string value = take_word();
            if (value.empty()) {
                fail(std::string{"unexpected '"} + text_[at_] + "'");
                return false;
            }
            std::uint64_t word = 0;
            for (char c : value) {
                const int digit = digit_value(c);
                if (digit < 0 || digit >= contents.radix) {
                    fail("digit '" + std::string{c} + "' outside radix " + std::to_string(contents.radix));
                    return false;
                }
                word = word * static_cast<std::uint64_t>(contents.radix) + static_cast<std::uint64_t>(digit);
                if (word > 0xffffffffu) {
                    fail("value " + value + " wider than 32 bits");
                    return false;
                }
            }
            contents.words.push_back(static_cast<std::uint32_t>(word));
        }
    }

    static int digit_value(char c)
    {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }

    static bool is_space(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

    static std::string lowercase(std::string word)
    {
        for (char& c : word)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return word;
    }

    void skip_space()
    {
        while (at_ < text_.size() && is_space(text_[at_]))
            ++at_;
    }

    // After a ; the rest of the line is a comment.
    void skip_comment()
    {
        while (at_ < text_.size() && text_[at_] != '\n')
            ++at_;
    }

    bool take(char c)
    {
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }

    std::string take_word()
    {
        const std::size_t from = at_;
        while (at_ < text_.size() && !is_space(text_[at_]) && text_[at_] != ',' && text_[at_] != ';'
               && text_[at_] != '=')
            ++at_;
        return text_.substr(from, at_ - from);
    }

    std::nullopt_t fail(const std::string& why)
    {
        error_ = why;
        return std::nullopt;
    }

    const std::string& text_;
    std::size_t at_ = 0;
    std::string error_;
};

} // namespace tolvane::testing
