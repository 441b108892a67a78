// Every file of tests/codecs/data/hostile through the four ways a page loads an image: LoadImage
// (the file), LoadImageFromBytes, LoadImageFromBase64Binary and HTTPDownload from the loopback
// server. Each is refused with its code and adds nothing, or loads with its page count, as the
// folder's expected.txt says. hostile_files.sh fills in @FILES@ (the folder as Wine sees it,
// ending in "\\"), @HTTP_PORT@ and @CASES@: [name, "refuse" or "load", code or pages, code from
// bytes, the file as Base64]. The same checks hold when the engine loads through GDI+: there the
// engine's own checks refuse a crafted file before the platform library sees it, with the code
// the own codec gives, and the library loads the sound ones.
var files = "@FILES@";
var cases = @CASES@;

var ALPHABET = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
function bytesOf(text) {
    var out = [], bits = 0, value = 0;
    for (var i = 0; i < text.length; i++) {
        var v = ALPHABET.indexOf(text.charAt(i));
        if (v < 0) continue;
        value = (value << 6) | v;
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push((value >> bits) & 255);
        }
    }
    return out;
}

function typeOf(name) {
    var ext = name.substring(name.lastIndexOf(".") + 1).toLowerCase();
    return { bmp: 0, jpg: 1, jpeg: 1, tif: 2, tiff: 2, png: 3, pdf: 4 }[ext];
}

// The plug-in raises a script error for a failed call, the control (IfThrowException off) does not.
function attempt(call) {
    try {
        var result = call();
        return result === true || result === 1 || result === -1;
    } catch (e) {
        return false;
    }
}

function main() {
    if (Host.Name == "control") Lumetta.IfThrowException = false;
    Lumetta.IfShowUI = false;
    Lumetta.IfShowCancelDialogWhenImageTransfer = false;
    Lumetta.HTTPPort = parseInt("@HTTP_PORT@", 10);
    for (var c = 0; c < cases.length; c++) {
        var name = cases[c][0], refuse = cases[c][1] == "refuse", want = cases[c][2], fromBytes = cases[c][3];
        var bytes = bytesOf(cases[c][4]);
        var routes = [
            ["LoadImage", want, function () { return Lumetta.LoadImage(files + name); }],
            ["LoadImageFromBytes", fromBytes, function () { return Lumetta.LoadImageFromBytes(bytes.length, bytes, typeOf(name)); }],
            ["LoadImageFromBase64Binary", fromBytes, function () { return Lumetta.LoadImageFromBase64Binary(cases[c][4], typeOf(name)); }],
            ["HTTPDownload", fromBytes, function () { return Lumetta.HTTPDownload("127.0.0.1", "/dl/" + name); }]
        ];
        for (var r = 0; r < routes.length; r++) {
            Lumetta.RemoveAllImages();
            var ok = attempt(routes[r][2]), code = Lumetta.ErrorCode, added = Lumetta.HowManyImagesInBuffer;
            var what = name + " " + routes[r][0] + ": " + (ok ? "loaded" : "failed") + ", error " + code + ", " +
                       added + " images";
            Host.Echo("= " + what);
            if (refuse)
                Host.Check(!ok && code == routes[r][1] && added == 0, what + " (refused with " + routes[r][1] + " expected)");
            else
                Host.Check(ok && added == want, what + " (" + want + " images expected)");
        }
    }
    Lumetta.RemoveAllImages();
}
