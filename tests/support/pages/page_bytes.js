// Pictures a page makes itself, as bytes, and bytes as Base64 text: the test scripts put this file
// before the pages that use it (page_with_server.sh joins the files it is given).
function le(b, v, n) { for (var i = 0; i < n; i++) b.push((v >>> (8 * i)) & 255); }
// A 24-bit BMP as the format describes it (54 bytes of headers, rows padded to 4), with gap bytes
// of zeros between the headers and the pixels (none when left out). Byte x of row y (rows bottom
// up, padding included) is sample(x, y), by default a pattern.
function makeBmp(width, height, gap, sample) {
    gap = gap || 0;
    sample = sample || function (x, y) { return (x * 7 + y * 3) & 255; };
    var stride = Math.floor((width * 24 + 31) / 32) * 4;
    var offset = 54 + gap, b = [66, 77];
    le(b, offset + stride * height, 4); le(b, 0, 4); le(b, offset, 4);
    le(b, 40, 4); le(b, width, 4); le(b, height, 4); le(b, 1, 2); le(b, 24, 2);
    le(b, 0, 4); le(b, stride * height, 4); le(b, 2835, 4); le(b, 2835, 4); le(b, 0, 4); le(b, 0, 4);
    for (var g = 0; g < gap; g++) b.push(0);
    for (var y = 0; y < height; y++)
        for (var x = 0; x < stride; x++) b.push(sample(x, y));
    return b;
}

var ALPHABET = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
function base64(bytes) {
    var out = "";
    for (var i = 0; i < bytes.length; i += 3) {
        var n = (bytes[i] << 16) | ((i + 1 < bytes.length ? bytes[i + 1] : 0) << 8) | (i + 2 < bytes.length ? bytes[i + 2] : 0);
        out += ALPHABET.charAt((n >> 18) & 63) + ALPHABET.charAt((n >> 12) & 63);
        out += i + 1 < bytes.length ? ALPHABET.charAt((n >> 6) & 63) : "=";
        out += i + 2 < bytes.length ? ALPHABET.charAt(n & 63) : "=";
    }
    return out;
}
