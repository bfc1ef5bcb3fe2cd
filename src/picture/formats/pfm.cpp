#include "picture/formats/pfm.h"

#include <locale.h>
#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "io/input_file.h"
#include "io/save_target.h"
#include "picture/formats/float_raster.h"

namespace pellumir {

namespace {

// The header is read as fscanf("%d %d%c") and fscanf("%f%c") read it in the
// C locale, byte for byte, but by hand: a width beyond int would be
// undefined in fscanf, and the desktop's locale (Qt sets it from the
// environment) could make "%f" stop at the "." of "-1.0".

bool isSpace(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
bool isDigit(int c) {
    return c >= '0' && c <= '9';
}
bool isHexDigit(int c) {
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
int lower(int c) {
    return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c;
}

// The header's bytes, held to kLongestHeader: spaces or digits without
// end read as the end of the file. Cause when exceeded: "the header is
// longer than 4 MiB".
struct HeaderInput {
    std::FILE* file;
    uint64_t left = kLongestHeader;
    int get() {
        if (left == 0) return EOF;
        --left;
        return std::getc(file);
    }
    void unget(int c) {
        ++left;
        std::ungetc(c, file);
    }
};

// The first byte that is not white space, consumed, or EOF.
int skipSpace(HeaderInput& file) {
    int c;
    do
        c = file.get();
    while (isSpace(c));
    return c;
}

// "%d": white space, an optional sign, at least one digit; the byte after
// the digits is pushed back. A number outside int fails.
bool scanInt(HeaderInput& file, int& value) {
    int c = skipSpace(file);
    bool negative = c == '-';
    if (c == '-' || c == '+') c = file.get();
    if (!isDigit(c)) return false;
    int64_t magnitude = 0;
    for (; isDigit(c); c = file.get()) {
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > int64_t{INT32_MAX} + 1) return false;
    }
    if (c != EOF) file.unget(c);
    int64_t signedValue = negative ? -magnitude : magnitude;
    if (signedValue > INT32_MAX) return false;
    value = static_cast<int>(signedValue);
    return true;
}

// A scale is a few characters; a longer one is refused rather than
// collected without bound.
constexpr size_t kLongestScale = 4096;

// One number's characters as they are collected into `text`, with the
// byte after the last one in `c`.
struct NumberText {
    HeaderInput& file;
    std::string& text;
    int c;

    int next() { return c = file.get(); }
    void keep() { text += static_cast<char>(c); }

    // The rest of a word, in any case.
    bool spells(const char* rest) {
        for (const char* w = rest; *w; ++w) {
            if (next() == EOF || lower(c) != *w) return false;
            keep();
        }
        return true;
    }

    // "nan", "inf" or "infinity", from its first letter in c.
    bool word() {
        keep();
        if (lower(c) == 'n') return spells("an");
        if (!spells("nf")) return false;
        if (next() == EOF) return true;
        if (lower(c) != 'i') {
            file.unget(c);
            return true;
        }
        keep();
        return spells("nity");
    }

    // A decimal or "0x" hex number with an optional exponent; `hex` says
    // which. False when it grows too long.
    bool digits(bool& hex) {
        bool gotDigit = false;
        bool gotDot = false;
        bool gotExponent = false;
        char exponentChar = 'e';
        if (c == '0') {
            text += '0';
            if (lower(next()) == 'x') {
                keep();
                hex = true;
                exponentChar = 'p';
                next();
            } else {
                gotDigit = true;
            }
        }
        while (true) {
            if (isDigit(c) || (hex && !gotExponent && isHexDigit(c))) {
                keep();
                gotDigit = true;
            } else if (gotExponent && text.back() == exponentChar && (c == '-' || c == '+')) {
                keep();
            } else if (gotDigit && !gotExponent && lower(c) == exponentChar) {
                text += exponentChar;
                gotExponent = gotDot = true;
            } else if (!gotDot && c == '.') {
                text += '.';
                gotDot = true;
            } else {
                if (c != EOF) file.unget(c);
                return true;
            }
            if (text.size() > kLongestScale) return false;
            if (next() == EOF) return true;
        }
    }
};

// Collects the characters that glibc's "%f" takes for a number: a sign,
// then "nan", "inf" or "infinity" in any case, or a decimal or "0x" hex
// number with an optional exponent, stopping at (and pushing back) the
// first byte that cannot continue it. False when fscanf would fail.
bool collectNumber(HeaderInput& file, std::string& text) {
    NumberText number{file, text, skipSpace(file)};
    if (number.c == EOF) return false;
    size_t signLength = 0;
    if (number.c == '-' || number.c == '+') {
        number.keep();
        signLength = 1;
        if (number.next() == EOF) return false;
    }
    if (lower(number.c) == 'n' || lower(number.c) == 'i') return number.word();
    bool hex = false;
    if (!number.digits(hex)) return false;
    return text.size() != signLength && !(hex && text.size() == signLength + 2);
}

// "%f": the collected text converted as strtof does in the C locale; fails
// when no prefix of it is a number (".", "-.", "0x" alone).
bool scanFloat(HeaderInput& file, float& value) {
    std::string text;
    if (!collectNumber(file, text)) return false;
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    if (!cLocale) return false;
    char* end = nullptr;
    float converted = strtof_l(text.c_str(), &end, cLocale);
    if (end == text.c_str()) return false;
    value = converted;
    return true;
}

}  // namespace

int readPfm(RgbeImage& image, std::FILE* file, FailureReason* reason) {
    image.release();
    HeaderInput header{file};
    int first = header.get();
    int second = header.get();
    header.get();  // normally a line end; not examined
    if (first != 'P' || (second != 'F' && second != 'f'))
        return failWith(reason, "the file does not start with PF or Pf");

    int width = 0;
    int height = 0;
    if (!scanInt(header, width) || !scanInt(header, height))
        return failWith(reason, header.left == 0 ? kLongestHeaderText
                                                 : "the PFM header has no width and height");
    if (width <= 0 || height <= 0)
        return failWith(reason, "the PFM header gives a width or height below 1");
    header.get();  // the byte after the height

    // The byte order rests on the scale, so a file without one is refused.
    float scale = 0;
    if (!scanFloat(header, scale))
        return failWith(reason,
                        header.left == 0 ? kLongestHeaderText : "the PFM header has no scale");
    header.get();  // exactly one byte: of a CR LF, the LF is raster

    FloatRaster raster;
    raster.width = static_cast<uint32_t>(width);
    raster.height = static_cast<uint32_t>(height);
    raster.colour = second == 'F';
    raster.bigEndian = scale > 0.0f;  // false for NaN and for -0
    return readFloatRaster(image, file, raster, reason);
}

int readPfm(RgbeImage& image, const std::string& path, FailureReason* reason) {
    std::FILE* file = openInputStream(path);
    if (!file) {
        image.release();
        return failWithFileError(reason, errno);
    }
    int result = readPfm(image, file, reason);
    std::fclose(file);
    return result;
}

}  // namespace pellumir
