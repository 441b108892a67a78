// POST uploads that the server redirects, as a page makes them: every kind of redirect to another
// host, one to the same server, one that never ends, and one from HTTPS. The page only checks
// the results; which request carried which cookie and body is read from the server's records
// afterwards (redirect_cookies.sh). @TAG@ names this run's pages, @HTTP_PORT@ and @HTTPS_PORT@
// are the loopback servers' ports; makeBmp comes from tests/support/pages/page_bytes.js.
function upload(page) {
    return Lumetta.HTTPUploadThroughPost("127.0.0.1", 0, page, "scan.bmp");
}

function main() {
    Lumetta.IfShowUI = false;
    Lumetta.IfShowCancelDialogWhenImageTransfer = false;
    var bmp = makeBmp(64, 48);
    Host.Check(Lumetta.LoadImageFromBytes(bmp.length, bmp, 0), "a 64 x 48 picture from bytes: " + Lumetta.ErrorCode);
    Lumetta.SetCookie("session=secret42");
    Lumetta.HTTPPort = parseInt("@HTTP_PORT@", 10);

    var codes = [301, 302, 303, 307, 308];
    for (var i = 0; i < codes.length; i++) {
        var sent = upload("/redirect/" + codes[i] + "/empty/@TAG@-" + codes[i]);
        Host.Check(sent, codes[i] + " to another host: " + Lumetta.ErrorCode + " " + Lumetta.ErrorString);
    }
    Host.Check(upload("/redirect/same/empty/@TAG@-same"), "307 on the same server: " + Lumetta.ErrorCode);

    var looped = upload("/redirect/loop");
    // Both read at once: the control's ErrorString clears the code. The text is WinInet's own for
    // its redirect error (its message table; Wine's WinInet has none).
    var code = Lumetta.ErrorCode, text = Lumetta.ErrorString;
    Host.Check(!looped && code == -15156, "a redirect loop fails: " + looped + " " + code);
    Host.Echo("redirect loop: " + code + " " + text);

    Lumetta.IfSSL = true;
    Lumetta.HTTPPort = parseInt("@HTTPS_PORT@", 10);
    Host.Check(upload("/redirect/307/empty/@TAG@-https"), "307 from HTTPS to another host: " + Lumetta.ErrorCode);
    Lumetta.IfSSL = false;
    Host.Echo("redirect page done");
}
