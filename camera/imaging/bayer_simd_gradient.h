// Vector kernels of the gradient-corrected method, written once over a
// vector type V (see bayer_simd_kernels.h for how the instruction-set files
// include this). The second differences need signed 16-bit lanes: a block of
// V::kLanes columns is widened into two halves, worked, and packed back with
// unsigned saturation, which is the method's clamp to 0 .. 255.

template <class V>
struct GradientKernels {
    using T = typename V::T;
    static constexpr int kLanes = V::kLanes;

    // Signed division by 2^n rounding toward zero: add 2^n - 1 to negative values first.
    template <int kShift>
    static T DivideTowardZero(T t) {
        const T bias = V::And(V::template ShiftRightSigned16<15>(t), V::Set16((1 << kShift) - 1));
        return V::template ShiftRightSigned16<kShift>(V::Add16(t, bias));
    }

    static T Half(T a, T b) { return V::template ShiftRightSigned16<1>(V::Add16(a, b)); }

    // a < b ? whenLess : (a > b ? whenMore : whenEqual), for the gradients.
    static T ByOrder(T a, T b, T whenLess, T whenMore, T whenEqual) {
        return V::Select(V::CmpGt16(b, a), whenLess, V::Select(V::CmpGt16(a, b), whenMore, whenEqual));
    }

    // Green of one half-block (greenLanes: lanes of green sites).
    static T Green(T greenLanes, T v, T left, T right, T up, T down, T farLeft, T farRight, T farUp, T farDown) {
        const T twice = V::Add16(v, v);
        const T lapH = V::Sub16(V::Sub16(twice, farLeft), farRight);
        const T lapV = V::Sub16(V::Sub16(twice, farUp), farDown);
        const T dH = V::Add16(V::Abs16(V::Sub16(left, right)), V::Abs16(lapH));
        const T dV = V::Add16(V::Abs16(V::Sub16(up, down)), V::Abs16(lapV));
        const T sideways = V::Add16(Half(left, right), DivideTowardZero<2>(lapH));
        const T upDown = V::Add16(Half(up, down), DivideTowardZero<2>(lapV));
        const T all = V::Add16(V::template ShiftRightSigned16<2>(V::Add16(V::Add16(left, right), V::Add16(up, down))),
                               DivideTowardZero<3>(V::Add16(lapH, lapV)));
        return V::Select(greenLanes, v, ByOrder(dH, dV, sideways, upDown, all));
    }

    static int GreenPlane(const GreenPlaneJob& j, int n) {
        const T greenLanes = j.firstIsGreen ? V::EvenLanes16() : V::OddLanes16();
        int i = 0;
        for (; i + kLanes <= n; i += kLanes) {
            T half[2];
            for (int h = 0; h < 2; ++h) {
                const int c = i + h * kLanes / 2;
                half[h] = Green(greenLanes, V::Widen(j.rows[2] + c), V::Widen(j.rows[2] + c - 1),
                                V::Widen(j.rows[2] + c + 1), V::Widen(j.rows[1] + c), V::Widen(j.rows[3] + c),
                                V::Widen(j.rows[2] + c - 2), V::Widen(j.rows[2] + c + 2), V::Widen(j.rows[0] + c),
                                V::Widen(j.rows[4] + c));
            }
            V::Store(j.green + i, V::Narrow(half[0], half[1]));
        }
        return i;
    }

    // The opposite colour at red and blue sites along the smoother diagonal.
    static T Diagonal(const GradientColourJob& j, int c) {
        const T g = V::Widen(j.green + c), twice = V::Add16(g, g);
        const T gUL = V::Widen(j.greenUp + c - 1), gUR = V::Widen(j.greenUp + c + 1);
        const T gDL = V::Widen(j.greenDown + c - 1), gDR = V::Widen(j.greenDown + c + 1);
        const T kUL = V::Widen(j.up + c - 1), kUR = V::Widen(j.up + c + 1);
        const T kDL = V::Widen(j.down + c - 1), kDR = V::Widen(j.down + c + 1);
        const T lapN = V::Sub16(V::Sub16(twice, gUL), gDR);
        const T lapP = V::Sub16(V::Sub16(twice, gUR), gDL);
        const T dN = V::Add16(V::Abs16(V::Sub16(kUL, kDR)), V::Abs16(lapN));
        const T dP = V::Add16(V::Abs16(V::Sub16(kUR, kDL)), V::Abs16(lapP));
        const T alongN = DivideTowardZero<1>(V::Add16(V::Add16(kUL, kDR), lapN));
        const T alongP = DivideTowardZero<1>(V::Add16(V::Add16(kUR, kDL), lapP));
        const T all =
            DivideTowardZero<2>(V::Add16(V::Add16(V::Add16(kUL, kDR), V::Add16(kUR, kDL)), V::Add16(lapN, lapP)));
        return ByOrder(dN, dP, alongN, alongP, all);
    }

    template <int kCh, bool kOwnIsBlue>
    static int ColourLoop(const GradientColourJob& j, int n) {
        const T greenLanes = j.firstIsGreen ? V::EvenLanes16() : V::OddLanes16();
        int i = 0;
        for (; i + kLanes <= n; i += kLanes) {
            T own[2], green[2], other[2];
            for (int h = 0; h < 2; ++h) {
                const int c = i + h * kLanes / 2;
                const T v = V::Widen(j.cur + c);
                own[h] = V::Select(greenLanes, Half(V::Widen(j.cur + c - 1), V::Widen(j.cur + c + 1)), v);
                green[h] = V::Select(greenLanes, v, V::Widen(j.green + c));
                other[h] = V::Select(greenLanes, Half(V::Widen(j.up + c), V::Widen(j.down + c)), Diagonal(j, c));
            }
            RowKernels<V>::template Put<kCh, kOwnIsBlue>(j.out + i * kCh, V::Narrow(own[0], own[1]),
                                                         V::Narrow(green[0], green[1]), V::Narrow(other[0], other[1]));
        }
        return i;
    }

    template <int kCh>
    static int Colour(const GradientColourJob& j, int n) {
        return j.ownIsBlue ? ColourLoop<kCh, true>(j, n) : ColourLoop<kCh, false>(j, n);
    }
};
