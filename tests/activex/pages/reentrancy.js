// Page script runs inside the control's waits: a handler frees the image a worker is about to
// read, and a progress handler starts a second upload. @HTTP_PORT@ is filled in by the runner.
var phase = "", nestedResult = null, nestedError = 0, replaced = false;

function le(bytes, value, count) { for (var i = 0; i < count; i++) bytes.push((value >>> (8 * i)) & 255); }

// A 24-bit BMP of width x height: one grey value, or a pattern when value is negative.
function makeBmp(width, height, value) {
    var stride = Math.floor((width * 24 + 31) / 32) * 4, b = [66, 77];
    le(b, 54 + stride * height, 4); le(b, 0, 4); le(b, 54, 4);
    le(b, 40, 4); le(b, width, 4); le(b, height, 4); le(b, 1, 2); le(b, 24, 2);
    le(b, 0, 4); le(b, stride * height, 4); le(b, 2835, 4); le(b, 2835, 4); le(b, 0, 4); le(b, 0, 4);
    for (var y = 0; y < height; y++)
        for (var x = 0; x < stride; x++) b.push(value >= 0 ? value : (x * 37 + y * 91) & 255);
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

function Lumetta_OnBeforeOperate(id, name) {
    if (phase != "blank") return;
    // The worst this handler can do: free the image the worker tests and put another one there.
    Lumetta.RemoveAllImages();
    replaced = Lumetta.LoadImageFromBase64Binary(base64(makeBmp(40, 30, -1)), 0);
}

function Lumetta_OnInternetTransferPercentage(percent, cancel) {
    if (phase != "upload" || nestedResult != null) return false;
    nestedResult = Lumetta.HTTPUploadThroughPost("127.0.0.1", 0, "/empty", "nested.jpg");
    nestedError = Lumetta.ErrorCode;
    return false;
}

function blankWorker() {
    Host.Check(Lumetta.LoadImageFromBase64Binary(base64(makeBmp(40, 30, 255)), 0) == true, "a white image");
    phase = "blank";
    var blank = Lumetta.IsBlankImageEx(0, 0, 0, -1, -1, false);
    phase = "";
    Host.Check(replaced, "the handler replaced the image");
    Host.Check(blank == true && Lumetta.ErrorCode == 0,
               "the worker tested the white image it was called for: " + blank + " " + Lumetta.ErrorCode);
    Host.Check(Lumetta.HowManyImagesInBuffer == 1 && Lumetta.IsBlankImage(0) == false, "the page's new image is kept");
}

function nestedUpload() {
    Lumetta.IfShowCancelDialogWhenImageTransfer = false;
    Lumetta.HTTPPort = parseInt("@HTTP_PORT@", 10);
    phase = "upload";
    var ok = Lumetta.HTTPUploadThroughPost("127.0.0.1", 0, "/empty", "outer.jpg");
    phase = "";
    Host.Check(nestedResult === false && nestedError == -2121,
               "the upload from the progress handler is refused: " + nestedResult + " " + nestedError);
    Host.Check(ok == true, "the outer upload went on to its end: " + Lumetta.ErrorCode);
    Host.Check(Lumetta.HTTPUploadThroughPost("127.0.0.1", 0, "/empty", "after.jpg") == true,
               "the next upload runs: " + Lumetta.ErrorCode);
}

function main() {
    blankWorker();
    if ("@HTTP_PORT@".charAt(0) != "@") nestedUpload();
    Host.Echo("reentrancy page done");
}
