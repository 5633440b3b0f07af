#include "platform/afconvert/aac/FrameWriter.h"

#include <algorithm>
#include <cassert>
#include <cstdlib>
#include <span>

#include "platform/afconvert/aac/SamplingRates.h"
#include "platform/afconvert/aac/HuffmanCoding.h"

namespace sondrel::afconvert::aac {

namespace {

// id_syn_ele values.
constexpr uint32_t kIdSce = 0, kIdCpe = 1, kIdLfe = 3, kIdFil = 6, kIdEnd = 7;
// extension_type of fill data, and the byte that fills it.
constexpr uint32_t kExtFill = 0, kFillByte = 0xA5;
// A FIL element's count: 4 bits, escaped with 8 more to 15 + 255 - 1.
constexpr int kFillEscape = 15, kMaxFillBytes = 15 + 255 - 1;
// The first noise energy is coded in 9 bits against global_gain - 90.
constexpr int kNoiseOffset = 90, kNoisePcmBias = 256, kNoisePcmBits = 9;
// Noise energies and intensity positions decoders take without clipping them.
constexpr int kMinNoiseEnergy = -100, kMaxNoiseEnergy = 155;
constexpr int kMinIntensityPosition = -155, kMaxIntensityPosition = 100;
constexpr int kMaxDifference = 60;
// TNS limits of AAC-LC for long and short windows.
constexpr int kMaxTnsOrderLong = 12, kMaxTnsOrderShort = 7;

bool isShort(const IcsFrame& f) {
    return f.sequence == WindowSequence::EightShort;
}
bool isSpectralBook(int book) {
    return book >= 1 && book <= kEscapeBook;
}
bool isIntensityBook(int book) {
    return book == kIntensityOutOfPhase || book == kIntensityInPhase;
}
size_t slot(int group, int band) {
    return size_t(group * kMaxLongBands + band);
}

// What the band table and window kind make of a frame.
struct Layout {
    std::span<const uint16_t> offsets; // the window's band table
    int windows = 1;
    int sectionBits = 5; // sect_len field
    int sectionEscape = 31;
    std::array<int, kShortWindows> groupStart{};

    Layout(const IcsFrame& f, int frequencyIndex) {
        const bool s = isShort(f);
        offsets = s ? shortBandOffsets(frequencyIndex) : longBandOffsets(frequencyIndex);
        windows = s ? kShortWindows : 1;
        sectionBits = s ? 3 : 5;
        sectionEscape = (1 << sectionBits) - 1;
        for (int g = 1; g < f.groupCount && g < kShortWindows; ++g)
            groupStart[size_t(g)] = groupStart[size_t(g - 1)] + f.groupLength[size_t(g - 1)];
    }
    int bandCount() const { return offsets.empty() ? 0 : int(offsets.size()) - 1; }
    int width(int band) const { return offsets[size_t(band + 1)] - offsets[size_t(band)]; }
    const int16_t* lines(const IcsFrame& f, int window, int band) const {
        return f.quantized.data() + window * kShortLines + offsets[size_t(band)];
    }
    int sectionCost(int length) const { return 4 + sectionBits * (length / sectionEscape + 1); }
};

// Counts instead of writing, so that counting and writing share one walk.
struct BitCounter {
    size_t bits = 0;
    void put(uint32_t, int count) { bits += size_t(count); }
};

void spectral(BitWriter& out, int book, const int16_t* values, int count) {
    writeSpectral(out, book, values, count);
}
void spectral(BitCounter& out, int book, const int16_t* values, int count) {
    out.bits += size_t(spectralBits(book, values, count));
}
void scalefactor(BitWriter& out, int difference) {
    writeScalefactor(out, difference);
}
void scalefactor(BitCounter& out, int difference) {
    out.bits += size_t(scalefactorBits(difference));
}

// global_gain: the first spectral band's scale factor; without one, a value
// the first noise energy can be coded against.
int globalGain(const IcsFrame& f) {
    for (int g = 0; g < f.groupCount; ++g)
        for (int b = 0; b < f.maxBands; ++b)
            if (isSpectralBook(f.book[slot(g, b)]))
                return f.scalefactor[slot(g, b)];
    for (int g = 0; g < f.groupCount; ++g)
        for (int b = 0; b < f.maxBands; ++b)
            if (f.book[slot(g, b)] == kNoiseBook)
                return std::clamp(f.scalefactor[slot(g, b)] + kNoiseOffset, 0, 255);
    return 0;
}

template <typename Out> void codeIcsInfo(Out& out, const IcsFrame& f) {
    out.put(0, 1); // ics_reserved_bit
    out.put(uint32_t(f.sequence), 2);
    out.put(uint32_t(f.shape), 1);
    if (isShort(f)) {
        out.put(uint32_t(f.maxBands), 4);
        // scale_factor_grouping: bit w-1 set when window w joins the group before it.
        uint32_t grouping = 0;
        for (int g = 0; g < f.groupCount; ++g)
            for (int w = 0; w < f.groupLength[size_t(g)]; ++w)
                grouping = (grouping << 1) | (w > 0 ? 1u : 0u);
        out.put(grouping & 0x7F, 7);
    } else {
        out.put(uint32_t(f.maxBands), 6);
        out.put(0, 1); // predictor_data_present
    }
}

template <typename Out> void codeSections(Out& out, const IcsFrame& f, const Layout& layout) {
    for (int g = 0; g < f.groupCount; ++g) {
        for (int b = 0; b < f.maxBands;) {
            const uint8_t book = f.book[slot(g, b)];
            int end = b + 1;
            while (end < f.maxBands && f.book[slot(g, end)] == book)
                ++end;
            out.put(book, 4); // sect_cb
            int length = end - b;
            for (; length >= layout.sectionEscape; length -= layout.sectionEscape)
                out.put(uint32_t(layout.sectionEscape), layout.sectionBits);
            out.put(uint32_t(length), layout.sectionBits);
            b = end;
        }
    }
}

template <typename Out> void codeScalefactors(Out& out, const IcsFrame& f, int gain) {
    int lastScalefactor = gain, lastNoise = gain - kNoiseOffset, lastPosition = 0;
    bool firstNoise = true;
    for (int g = 0; g < f.groupCount; ++g) {
        for (int b = 0; b < f.maxBands; ++b) {
            const int book = f.book[slot(g, b)];
            const int value = f.scalefactor[slot(g, b)];
            if (isSpectralBook(book)) {
                scalefactor(out, value - lastScalefactor);
                lastScalefactor = value;
            } else if (isIntensityBook(book)) {
                scalefactor(out, value - lastPosition);
                lastPosition = value;
            } else if (book == kNoiseBook) {
                if (firstNoise)
                    out.put(uint32_t(value - lastNoise + kNoisePcmBias), kNoisePcmBits);
                else
                    scalefactor(out, value - lastNoise);
                firstNoise = false;
                lastNoise = value;
            }
        }
    }
}

template <typename Out> void codeTns(Out& out, const IcsFrame& f, const Layout& layout) {
    const bool s = isShort(f);
    for (int w = 0; w < layout.windows; ++w) {
        const IcsFrame::TnsWindow& tw = f.tns[size_t(w)];
        out.put(uint32_t(tw.filterCount), s ? 1 : 2); // n_filt
        if (tw.filterCount == 0)
            continue;
        const int resolution = tw.filter[0].coefResolution;
        out.put(resolution == 4 ? 1 : 0, 1); // coef_res
        for (int i = 0; i < tw.filterCount; ++i) {
            const IcsFrame::TnsFilter& filter = tw.filter[size_t(i)];
            out.put(uint32_t(filter.length), s ? 4 : 6);
            out.put(uint32_t(filter.order), s ? 3 : 5);
            if (filter.order == 0)
                continue;
            out.put(filter.downward ? 1 : 0, 1); // direction
            out.put(filter.coefCompress ? 1 : 0, 1);
            const int bits = resolution - (filter.coefCompress ? 1 : 0);
            for (int k = 0; k < filter.order; ++k)
                out.put(uint32_t(filter.coef[size_t(k)]) & ((1u << bits) - 1), bits);
        }
    }
}

// Per group, band and window of the group, as a decoder de-interleaves them.
template <typename Out> void codeSpectralData(Out& out, const IcsFrame& f, const Layout& layout) {
    for (int g = 0; g < f.groupCount; ++g) {
        for (int b = 0; b < f.maxBands; ++b) {
            const int book = f.book[slot(g, b)];
            if (!isSpectralBook(book))
                continue;
            for (int w = 0; w < f.groupLength[size_t(g)]; ++w)
                spectral(out, book, layout.lines(f, layout.groupStart[size_t(g)] + w, b),
                         layout.width(b));
        }
    }
}

template <typename Out>
void codeIcs(Out& out, const IcsFrame& f, int frequencyIndex, bool withIcsInfo) {
    const Layout layout(f, frequencyIndex);
    const int gain = globalGain(f);
    out.put(uint32_t(gain), 8);
    if (withIcsInfo)
        codeIcsInfo(out, f);
    codeSections(out, f, layout);
    codeScalefactors(out, f, gain);
    out.put(0, 1); // pulse_data_present
    out.put(f.tnsPresent ? 1 : 0, 1);
    if (f.tnsPresent)
        codeTns(out, f, layout);
    out.put(0, 1); // gain_control_data_present
    codeSpectralData(out, f, layout);
}

// Bits of one band's lines in a book over the windows of its group.
int bandBits(const IcsFrame& f, const Layout& layout, int group, int band, int book) {
    int bits = 0;
    for (int w = 0; w < f.groupLength[size_t(group)]; ++w)
        bits += spectralBits(book, layout.lines(f, layout.groupStart[size_t(group)] + w, band),
                             layout.width(band));
    return std::min(bits, kUnusableBits);
}

// bandBits in an odd book and the even one after it.
BookPairBits bandBitsPair(const IcsFrame& f, const Layout& layout, int group, int band,
                          int oddBook) {
    BookPairBits bits;
    for (int w = 0; w < f.groupLength[size_t(group)]; ++w) {
        const BookPairBits window =
            spectralBitsPair(oddBook, layout.lines(f, layout.groupStart[size_t(group)] + w, band),
                             layout.width(band));
        bits.odd = std::min(bits.odd + window.odd, kUnusableBits);
        bits.even = std::min(bits.even + window.even, kUnusableBits);
    }
    return bits;
}

int bandMaxAbs(const IcsFrame& f, const Layout& layout, int group, int band) {
    int largest = 0;
    for (int w = 0; w < f.groupLength[size_t(group)]; ++w) {
        const int16_t* lines = layout.lines(f, layout.groupStart[size_t(group)] + w, band);
        for (int i = 0; i < layout.width(band); ++i)
            largest = std::max(largest, std::abs(int(lines[i])));
    }
    return largest;
}

// The cheapest sectioning of one group: best[e] is the least cost of bands
// 0..e-1, from the cheapest split at s < e into a section [s, e) of one book.
constexpr int kBooksAbove = 3;

int chooseGroupBooks(IcsFrame& f, const Layout& layout, int group) {
    const int n = f.maxBands;
    // What each band costs in each book, every book priced: the search
    // below then reads a table and asks nothing else of a band.
    constexpr int kBooks = kIntensityInPhase + 1;
    std::array<std::array<int, kBooks>, kMaxLongBands> cost;
    std::array<int, kMaxLongBands> fixed; // a band's only book, or -1 for any spectral book
    for (int b = 0; b < n; ++b) {
        const int book = f.book[slot(group, b)];
        const int largest = bandMaxAbs(f, layout, group, b);
        fixed[size_t(b)] = book == kNoiseBook || isIntensityBook(book) ? book
                           : largest == 0                              ? kZeroBook
                                                                       : -1;
        cost[size_t(b)].fill(kUnusableBits);
        // A noise, intensity or zero section takes in only its own kind.
        if (fixed[size_t(b)] >= 0) {
            cost[size_t(b)][size_t(fixed[size_t(b)])] = 0;
            continue;
        }
        // A band is priced in the smallest pair of books that holds it, the
        // pair above (to join a louder neighbour's section) and the escape
        // book; books further up never pay for themselves, and pricing them
        // was most of the search's time. The smallest book is odd (the books
        // come in pairs of a range), so the books priced are one or two
        // pairs and the escape book.
        const int smallest = smallestBookFor(largest);
        for (int k = smallest; k < kEscapeBook && k <= smallest + kBooksAbove; k += 2) {
            const BookPairBits pair = bandBitsPair(f, layout, group, b, k);
            cost[size_t(b)][size_t(k)] = pair.odd;
            cost[size_t(b)][size_t(k + 1)] = pair.even;
        }
        cost[size_t(b)][kEscapeBook] = bandBits(f, layout, group, b, kEscapeBook);
    }
    std::array<int, kMaxLongBands + 1> best{}, start{}, chosen{};
    best[0] = 0;
    std::array<int, kMaxLongBands + 1> sectionCost{}; // by length: no division in the loop
    for (int length = 1; length <= n; ++length)
        sectionCost[size_t(length)] = layout.sectionCost(length);
    const int shortestSection = sectionCost[1];
    // floor[s] bounds from below what bands 0..s-1 cost however they are
    // split, when a section ending at s may reach back into them: the best
    // split of some first bands, the rest each in its cheapest book with no
    // section paid. A section [s, e) in a book, and every longer one, cost at
    // least floor[s] plus its bands in that book; once that is no less than
    // the best split found, reaching further back cannot win (which is what
    // the search spends most of its time on otherwise).
    std::array<int, kMaxLongBands + 1> floor{};
    auto cheapest = [&](int b) {
        return fixed[size_t(b)] >= 0 ? 0
                                     : *std::min_element(cost[size_t(b)].begin() + 1,
                                                         cost[size_t(b)].begin() + kEscapeBook + 1);
    };
    for (int e = 1; e <= n; ++e) {
        best[size_t(e)] = kUnusableBits;
        const int last = fixed[size_t(e - 1)];
        for (int book = last >= 0 ? last : 1; book <= (last >= 0 ? last : kEscapeBook); ++book) {
            int spectralSum = 0;
            for (int s = e - 1; s >= 0; --s) {
                const int c = cost[size_t(s)][size_t(book)];
                if (c >= kUnusableBits)
                    break;
                spectralSum += c;
                if (floor[size_t(s)] + spectralSum + shortestSection >= best[size_t(e)])
                    break;
                // An unusable best[s] makes the total unusable too: it never
                // wins (and the sums stay far below overflow).
                const int total = best[size_t(s)] + spectralSum + sectionCost[size_t(e - s)];
                if (total < best[size_t(e)]) {
                    best[size_t(e)] = total;
                    start[size_t(e)] = s;
                    chosen[size_t(e)] = book;
                }
            }
        }
        floor[size_t(e)] = std::min(best[size_t(e)], floor[size_t(e - 1)] + cheapest(e - 1));
    }
    if (best[size_t(n)] >= kUnusableBits)
        return kUnusableBits; // a line beyond every book: the frame is not valid
    for (int e = n; e > 0; e = start[size_t(e)])
        for (int b = start[size_t(e)]; b < e; ++b)
            f.book[slot(group, b)] = uint8_t(chosen[size_t(e)]);
    return best[size_t(n)];
}

bool validGrouping(const IcsFrame& f) {
    if (!isShort(f))
        return f.groupCount == 1 && f.groupLength[0] == 1;
    if (f.groupCount < 1 || f.groupCount > kShortWindows)
        return false;
    int windows = 0;
    for (int g = 0; g < f.groupCount; ++g) {
        if (f.groupLength[size_t(g)] < 1)
            return false;
        windows += f.groupLength[size_t(g)];
    }
    return windows == kShortWindows;
}

// Every line above the coded bands must be zero: nothing would carry it.
bool validLines(const IcsFrame& f, const Layout& layout) {
    const int top = layout.offsets[size_t(f.maxBands)];
    const int lines = isShort(f) ? kShortLines : kFrameLines;
    for (int w = 0; w < layout.windows; ++w) {
        // Branch-free, as the encoder checks every frame it tries.
        const int16_t* values = f.quantized.data() + w * kShortLines;
        unsigned stray = 0;
        for (int i = 0; i < top; ++i)
            stray |= unsigned(values[i] + 8191) > 2 * 8191u;
        for (int i = top; i < lines; ++i)
            stray |= unsigned(values[i] != 0);
        if (stray)
            return false;
    }
    return true;
}

bool validBooksAndScalefactors(const IcsFrame& f, const Layout& layout, bool priceBands) {
    const int gain = globalGain(f);
    int lastScalefactor = gain, lastNoise = gain - kNoiseOffset, lastPosition = 0;
    bool firstNoise = true;
    auto near = [](int a, int b) { return std::abs(a - b) <= kMaxDifference; };
    for (int g = 0; g < f.groupCount; ++g) {
        for (int b = 0; b < f.maxBands; ++b) {
            const int book = f.book[slot(g, b)];
            const int value = f.scalefactor[slot(g, b)];
            if (book == 12 || book > kIntensityInPhase)
                return false; // reserved
            if (isSpectralBook(book) || book == kZeroBook) {
                if (priceBands && bandBits(f, layout, g, b, book) >= kUnusableBits)
                    return false;
                if (book == kZeroBook)
                    continue;
                if (value < 0 || value > 255 || !near(value, lastScalefactor))
                    return false;
                lastScalefactor = value;
            } else if (isIntensityBook(book)) {
                if (value < kMinIntensityPosition || value > kMaxIntensityPosition ||
                    !near(value, lastPosition))
                    return false;
                lastPosition = value;
            } else {
                const int pcm = value - lastNoise + kNoisePcmBias;
                if (value < kMinNoiseEnergy || value > kMaxNoiseEnergy ||
                    (firstNoise ? pcm < 0 || pcm >= (1 << kNoisePcmBits) : !near(value, lastNoise)))
                    return false;
                firstNoise = false;
                lastNoise = value;
            }
        }
    }
    return true;
}

bool validTns(const IcsFrame& f, const Layout& layout) {
    if (!f.tnsPresent)
        return true;
    const bool s = isShort(f);
    for (int w = 0; w < layout.windows; ++w) {
        const IcsFrame::TnsWindow& tw = f.tns[size_t(w)];
        if (tw.filterCount < 0 || tw.filterCount > (s ? 1 : 3))
            return false;
        for (int i = 0; i < tw.filterCount; ++i) {
            const IcsFrame::TnsFilter& filter = tw.filter[size_t(i)];
            if (filter.coefResolution != tw.filter[0].coefResolution ||
                (filter.coefResolution != 3 && filter.coefResolution != 4))
                return false;
            if (filter.length < 0 || filter.length > (s ? 15 : 63) || filter.order < 0 ||
                filter.order > (s ? kMaxTnsOrderShort : kMaxTnsOrderLong))
                return false;
            const int bits = filter.coefResolution - (filter.coefCompress ? 1 : 0);
            for (int k = 0; k < filter.order; ++k) {
                const int c = filter.coef[size_t(k)];
                if (c < -(1 << (bits - 1)) || c >= (1 << (bits - 1)))
                    return false;
            }
        }
    }
    return true;
}

// A `sectioned` frame is one as the encoder quantised and sectioned it: its
// lines and their books hold already.
bool checkFrame(const IcsFrame& frame, int frequencyIndex, bool sectioned) {
    if (uint8_t(frame.sequence) > 3 || uint8_t(frame.shape) > 1 || !validGrouping(frame))
        return false;
    const Layout layout(frame, frequencyIndex);
    if (layout.bandCount() == 0 || frame.maxBands < 0 || frame.maxBands > layout.bandCount())
        return false;
    return (sectioned || validLines(frame, layout)) &&
           validBooksAndScalefactors(frame, layout, !sectioned) && validTns(frame, layout);
}

} // namespace

int chooseBooks(IcsFrame& frame, int frequencyIndex) {
    const Layout layout(frame, frequencyIndex);
    int bits = 0;
    for (int g = 0; g < frame.groupCount; ++g)
        bits += chooseGroupBooks(frame, layout, g);
    return bits;
}

int icsBits(const IcsFrame& frame, int frequencyIndex, bool withIcsInfo) {
    BitCounter counter;
    codeIcs(counter, frame, frequencyIndex, withIcsInfo);
    return int(counter.bits);
}

void FrameWriter::singleChannel(int tag, const IcsFrame& frame) {
    assert(valid(frame, m_frequencyIndex));
    m_out.put(kIdSce, 3);
    m_out.put(uint32_t(tag), 4); // element_instance_tag
    codeIcs(m_out, frame, m_frequencyIndex, true);
}

void FrameWriter::channelPair(int tag, const IcsFrame& first, const IcsFrame& second,
                              const PairCoding& pair) {
    assert(validPair(first, second, pair, m_frequencyIndex));
    m_out.put(kIdCpe, 3);
    m_out.put(uint32_t(tag), 4);
    m_out.put(pair.commonWindow ? 1 : 0, 1);
    if (pair.commonWindow) {
        codeIcsInfo(m_out, first);
        m_out.put(uint32_t(pair.msMaskPresent), 2);
        if (pair.msMaskPresent == 1)
            for (int g = 0; g < first.groupCount; ++g)
                for (int b = 0; b < first.maxBands; ++b)
                    m_out.put(pair.msUsed[slot(g, b)] ? 1 : 0, 1);
    }
    codeIcs(m_out, first, m_frequencyIndex, !pair.commonWindow);
    codeIcs(m_out, second, m_frequencyIndex, !pair.commonWindow);
}

void FrameWriter::lowFrequency(int tag, const IcsFrame& frame) {
    assert(valid(frame, m_frequencyIndex) && frame.sequence == WindowSequence::OnlyLong);
    m_out.put(kIdLfe, 3);
    m_out.put(uint32_t(tag), 4);
    codeIcs(m_out, frame, m_frequencyIndex, true);
}

void FrameWriter::fillElement(int count) {
    m_out.put(kIdFil, 3);
    if (count < kFillEscape) {
        m_out.put(uint32_t(count), 4);
    } else {
        m_out.put(kFillEscape, 4);
        m_out.put(uint32_t(count - kFillEscape + 1), 8); // esc_count
    }
    if (count == 0)
        return;             // an empty element: 7 bits
    m_out.put(kExtFill, 4); // extension_type
    m_out.put(0, 4);        // fill_nibble
    for (int i = 1; i < count; ++i)
        m_out.put(kFillByte, 8);
}

void FrameWriter::fill(int bytes) {
    for (; bytes > 0; bytes -= kMaxFillBytes)
        fillElement(std::min(bytes, kMaxFillBytes));
}

bool FrameWriter::fillTo(size_t blockBytes) {
    constexpr size_t kEndBits = 3;
    if (m_out.bitCount() + kEndBits > 8 * blockBytes)
        return false;
    // Every element takes 7 bits more than a whole number of bytes, so
    // elements as large as fit leave less than a byte for the padding; only
    // 127 to 134 bits fall between the short and the escaped count (119 and
    // 135 bits) and take an empty element besides.
    for (;;) {
        const size_t room = 8 * blockBytes - kEndBits - m_out.bitCount();
        if (room < 8)
            return true;
        int count = int(std::min<size_t>((room - 7) / 8, kMaxFillBytes));
        if (count >= kFillEscape && fillBits(count) > int(room))
            count = count == kFillEscape ? kFillEscape - 1 : count - 1;
        fillElement(count);
    }
}

int FrameWriter::fillBits(int bytes) {
    int bits = 0;
    for (; bytes > 0; bytes -= kMaxFillBytes)
        bits += (bytes < kFillEscape ? 7 : 15) + 8 * std::min(bytes, kMaxFillBytes);
    return bits;
}

std::vector<uint8_t> FrameWriter::finish() {
    m_out.put(kIdEnd, 3);
    m_out.alignToByte();
    std::vector<uint8_t> block = m_out.bytes();
    m_out.clear();
    return block;
}

bool FrameWriter::valid(const IcsFrame& frame, int frequencyIndex) {
    return checkFrame(frame, frequencyIndex, false);
}

bool FrameWriter::validSectioned(const IcsFrame& frame, int frequencyIndex) {
    return checkFrame(frame, frequencyIndex, true);
}

bool FrameWriter::validPair(const IcsFrame& first, const IcsFrame& second, const PairCoding& pair,
                            int frequencyIndex) {
    if (!valid(first, frequencyIndex) || !valid(second, frequencyIndex))
        return false;
    if (pair.msMaskPresent < 0 || pair.msMaskPresent > 2 ||
        (!pair.commonWindow && pair.msMaskPresent != 0))
        return false;
    auto hasIntensity = [](const IcsFrame& f) {
        for (int g = 0; g < f.groupCount; ++g)
            for (int b = 0; b < f.maxBands; ++b)
                if (isIntensityBook(f.book[slot(g, b)]))
                    return true;
        return false;
    };
    if (hasIntensity(first) || (!pair.commonWindow && hasIntensity(second)))
        return false;
    if (!pair.commonWindow)
        return true;
    return first.sequence == second.sequence && first.shape == second.shape &&
           first.maxBands == second.maxBands && first.groupCount == second.groupCount &&
           first.groupLength == second.groupLength;
}

std::vector<uint8_t> audioSpecificConfig(int frequencyIndex, int channelConfiguration) {
    BitWriter out;
    out.put(2, 5); // audioObjectType: AAC LC
    out.put(uint32_t(frequencyIndex), 4);
    out.put(uint32_t(channelConfiguration), 4);
    out.put(0, 1); // frameLengthFlag: 1024 lines
    out.put(0, 1); // dependsOnCoreCoder
    out.put(0, 1); // extensionFlag
    return out.bytes();
}

} // namespace sondrel::afconvert::aac
