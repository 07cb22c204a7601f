// The vector row kernels, written once over a vector type V of byte lanes
// (16 for SSSE3, 32 for AVX2). Included only by the instruction-set files,
// after their target pragma, inside an anonymous namespace of theirs, so
// every instantiation is compiled for that instruction set and stays local.
//
// All arithmetic stays in 8-bit lanes. floor((a + b) / 2) is the rounding-up
// average minus the low bit of a ^ b; floor((a + b + c + d) / 4) is built
// from the two halving averages h1, h2 and their dropped low bits l1, l2 as
// floor((h1 + h2 + (l1 & l2)) / 2). These are the same truncating shifts as
// the plain code, so both give the same bits.

template <class V>
struct RowKernels {
    using T = typename V::T;
    static constexpr int kLanes = V::kLanes;

    static T LowBit(T a, T b) { return V::And(V::Xor(a, b), V::Set1(1)); }
    // floor((a + b) / 2), given LowBit(a, b).
    static T Half(T a, T b, T low) { return V::Sub(V::Avg(a, b), low); }
    // floor((2 h1 + l1 + 2 h2 + l2) / 4).
    static T Quarter(T h1, T l1, T h2, T l2) {
        return V::Sub(V::Avg(h1, h2), V::AndNot(V::And(l1, l2), LowBit(h1, h2)));
    }

    // Lanes of green columns: lane i is column x + i.
    static T GreenLanes(int x, int greenParity) { return (x & 1) == greenParity ? V::EvenLanes() : V::OddLanes(); }

    template <int kCh, bool kOwnIsBlue>
    static void Put(std::uint8_t* out, T own, T green, T other) {
        if constexpr (kOwnIsBlue) {
            V::template StorePixels<kCh>(out, own, green, other);
        } else {
            V::template StorePixels<kCh>(out, other, green, own);
        }
    }

    // Block rule: at a green column the own colour is the sample to the
    // left; at an own-colour column the green is, and the other colour sits
    // below the green.
    template <int kCh, bool kOwnIsBlue>
    static int BlockLoop(const RowJob& j, int x, int xEnd) {
        const T greenLanes = GreenLanes(x, j.greenParity);
        for (; x + kLanes <= xEnd; x += kLanes) {
            const T here = V::Load(j.cur + x), left = V::Load(j.cur + x - 1);
            const T below = V::Load(j.down + x), belowLeft = V::Load(j.down + x - 1);
            const T green = V::Select(greenLanes, here, left);
            const T own = V::Select(greenLanes, left, here);
            const T other = V::Select(greenLanes, below, belowLeft);
            Put<kCh, kOwnIsBlue>(j.out + x * kCh, own, green, other);
        }
        return x;
    }

    template <int kCh>
    static int BlockRow(const RowJob& j, int x, int xEnd) {
        return j.ownIsBlue ? BlockLoop<kCh, true>(j, x, xEnd) : BlockLoop<kCh, false>(j, x, xEnd);
    }

    template <int kCh, bool kOwnIsBlue, bool kEdgeDirected>
    static int InterpolateLoop(const RowJob& j, int x, int xEnd) {
        const T greenLanes = GreenLanes(x, j.greenParity);
        for (; x + kLanes <= xEnd; x += kLanes) {
            const T v = V::Load(j.cur + x);
            const T left = V::Load(j.cur + x - 1), right = V::Load(j.cur + x + 1);
            const T up = V::Load(j.up + x), down = V::Load(j.down + x);
            const T upLeft = V::Load(j.up + x - 1), upRight = V::Load(j.up + x + 1);
            const T downLeft = V::Load(j.down + x - 1), downRight = V::Load(j.down + x + 1);

            const T lowV = LowBit(up, down), lowH = LowBit(left, right);
            const T halfV = Half(up, down, lowV), halfH = Half(left, right, lowH);
            T cross = Quarter(halfV, lowV, halfH, lowH);
            const T lowUp = LowBit(upLeft, upRight), lowDown = LowBit(downLeft, downRight);
            const T diagonal =
                Quarter(Half(upLeft, upRight, lowUp), lowUp, Half(downLeft, downRight, lowDown), lowDown);
            if constexpr (kEdgeDirected) {
                // The flatter direction wins; a tie keeps the mean of all four.
                const T dH = V::AbsDiff(left, right), dV = V::AbsDiff(up, down);
                const T larger = V::Max(dH, dV);
                const T hNotLess = V::CmpEq(larger, dH), vNotLess = V::CmpEq(larger, dV);
                cross = V::Select(hNotLess, V::Select(vNotLess, cross, halfV), halfH);
            }
            const T green = V::Select(greenLanes, v, cross);
            const T own = V::Select(greenLanes, halfH, v);
            const T other = V::Select(greenLanes, halfV, diagonal);
            Put<kCh, kOwnIsBlue>(j.out + x * kCh, own, green, other);
        }
        return x;
    }

    template <int kCh, bool kEdgeDirected>
    static int InterpolateRow(const RowJob& j, int x, int xEnd) {
        return j.ownIsBlue ? InterpolateLoop<kCh, true, kEdgeDirected>(j, x, xEnd)
                           : InterpolateLoop<kCh, false, kEdgeDirected>(j, x, xEnd);
    }

    static int GreyRow(const std::uint8_t* a, const std::uint8_t* b, std::uint8_t* out, int x, int xEnd) {
        for (; x + kLanes <= xEnd; x += kLanes) {
            const T a0 = V::Load(a + x), a1 = V::Load(a + x + 1);
            const T b0 = V::Load(b + x), b1 = V::Load(b + x + 1);
            const T lowA = LowBit(a0, a1), lowB = LowBit(b0, b1);
            V::Store(out + x, Quarter(Half(a0, a1, lowA), lowA, Half(b0, b1, lowB), lowB));
        }
        return x;
    }

};

template <class V>
struct GradientKernels;  // bayer_simd_gradient.h

template <class V>
constexpr SimdKernels MakeSimdKernels() {
    using K = RowKernels<V>;
    using G = GradientKernels<V>;
    return SimdKernels{
        {&K::template BlockRow<3>, &K::template BlockRow<4>},
        {&K::template InterpolateRow<3, false>, &K::template InterpolateRow<4, false>},
        {&K::template InterpolateRow<3, true>, &K::template InterpolateRow<4, true>},
        &K::GreyRow,
        &G::GreenPlane,
        {&G::template Colour<3>, &G::template Colour<4>},
    };
}
