// Functions whose lengths the check must measure exactly, among constructs that hide braces.
#include <string>

#define OPEN_BRACE {
#define LONG_MACRO(x) \
    int x() { return 1; }

namespace {

const char* const kText = "} not a brace {";
const char kOpen = '{';
const int kMillion = 1'000'000;

// 121 lines from its first line to its closing brace: too long.
int TooLong(int total,
            int step) {
    /* a } in a comment */
    const char* raw = R"x(} { "quoted" })x";
    (void)raw;
    // another } here
    total += 0;
    total += 1;
    total += 2;
    total += 3;
    total += 4;
    total += 5;
    total += 6;
    total += 7;
    total += 8;
    total += 9;
    total += 10;
    total += 11;
    total += 12;
    total += 13;
    total += 14;
    total += 15;
    total += 16;
    total += 17;
    total += 18;
    total += 19;
    total += 20;
    total += 21;
    total += 22;
    total += 23;
    total += 24;
    total += 25;
    total += 26;
    total += 27;
    total += 28;
    total += 29;
    total += 30;
    total += 31;
    total += 32;
    total += 33;
    total += 34;
    total += 35;
    total += 36;
    total += 37;
    total += 38;
    total += 39;
    total += 40;
    total += 41;
    total += 42;
    total += 43;
    total += 44;
    total += 45;
    total += 46;
    total += 47;
    total += 48;
    total += 49;
    total += 50;
    total += 51;
    total += 52;
    total += 53;
    total += 54;
    total += 55;
    total += 56;
    total += 57;
    total += 58;
    total += 59;
    total += 60;
    total += 61;
    total += 62;
    total += 63;
    total += 64;
    total += 65;
    total += 66;
    total += 67;
    total += 68;
    total += 69;
    total += 70;
    total += 71;
    total += 72;
    total += 73;
    total += 74;
    total += 75;
    total += 76;
    total += 77;
    total += 78;
    total += 79;
    total += 80;
    total += 81;
    total += 82;
    total += 83;
    total += 84;
    total += 85;
    total += 86;
    total += 87;
    total += 88;
    total += 89;
    total += 90;
    total += 91;
    total += 92;
    total += 93;
    total += 94;
    total += 95;
    total += 96;
    total += 97;
    total += 98;
    total += 99;
    total += 100;
    total += 101;
    total += 102;
    total += 103;
    total += 104;
    total += 105;
    total += 106;
    total += 107;
    total += 108;
    total += 109;
    total += 110;
    total += 111;
    total += 112;
    return total + step;
}

}  // namespace

struct Holder {
    Holder() : m_a{1}, m_b(2) {
        m_a += m_b;
    }
    int m_a;
    int m_b;
};

// Exactly 120 lines: at the bound, not over it.
int AtTheBound(int total) {
    total += 0;
    total += 1;
    total += 2;
    total += 3;
    total += 4;
    total += 5;
    total += 6;
    total += 7;
    total += 8;
    total += 9;
    total += 10;
    total += 11;
    total += 12;
    total += 13;
    total += 14;
    total += 15;
    total += 16;
    total += 17;
    total += 18;
    total += 19;
    total += 20;
    total += 21;
    total += 22;
    total += 23;
    total += 24;
    total += 25;
    total += 26;
    total += 27;
    total += 28;
    total += 29;
    total += 30;
    total += 31;
    total += 32;
    total += 33;
    total += 34;
    total += 35;
    total += 36;
    total += 37;
    total += 38;
    total += 39;
    total += 40;
    total += 41;
    total += 42;
    total += 43;
    total += 44;
    total += 45;
    total += 46;
    total += 47;
    total += 48;
    total += 49;
    total += 50;
    total += 51;
    total += 52;
    total += 53;
    total += 54;
    total += 55;
    total += 56;
    total += 57;
    total += 58;
    total += 59;
    total += 60;
    total += 61;
    total += 62;
    total += 63;
    total += 64;
    total += 65;
    total += 66;
    total += 67;
    total += 68;
    total += 69;
    total += 70;
    total += 71;
    total += 72;
    total += 73;
    total += 74;
    total += 75;
    total += 76;
    total += 77;
    total += 78;
    total += 79;
    total += 80;
    total += 81;
    total += 82;
    total += 83;
    total += 84;
    total += 85;
    total += 86;
    total += 87;
    total += 88;
    total += 89;
    total += 90;
    total += 91;
    total += 92;
    total += 93;
    total += 94;
    total += 95;
    total += 96;
    total += 97;
    total += 98;
    total += 99;
    total += 100;
    total += 101;
    total += 102;
    total += 103;
    total += 104;
    total += 105;
    total += 106;
    total += 107;
    total += 108;
    total += 109;
    total += 110;
    total += 111;
    total += 112;
    total += 113;
    total += 114;
    total += 115;
    total += 116;
    return total;
}
