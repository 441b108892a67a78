// POST uploads that the server redirects, as a page makes them: every kind of redirect to another
// host, one to the same server, one that never ends, and one from HTTPS; then a download and a
// PUT with the page's HTTP credentials that the server sends on to another host, which asks for
// credentials again, and a download it sends on within itself. The page only checks the results;
// which request carried which cookie, credentials and body is read from the server's records
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
    Lumetta.HTTPPort = parseInt("@HTTP_PORT@", 10);

    // The loopback routes under /auth/ ask for the Basic credentials scanuser / scan:pass.
    Lumetta.HTTPUserName = "scanuser";
    Lumetta.HTTPPassword = "scan:pass";
    var images = Lumetta.HowManyImagesInBuffer;
    var moved = Lumetta.HTTPDownloadEx("127.0.0.1", "/auth/redirect/302/auth/dl/image.png?@TAG@-moved", 3);
    // In this order: reading a property clears the code (the control's ErrorString too).
    code = Lumetta.ErrorCode;
    text = Lumetta.ErrorString;
    var answer = Lumetta.HTTPPostResponseString;
    Host.Check(!moved && code == -2003, "a download sent on to another host that asks for credentials: " + moved +
               " " + code);
    Host.Check(answer == "credentials required", "the other host's answer is kept: " + answer);
    Host.Check(text.indexOf("HTTP process error: ") == 0, "the error text names the HTTP failure: " + text);
    Host.Check(Lumetta.HowManyImagesInBuffer == images, "nothing added: " + Lumetta.HowManyImagesInBuffer);
    Host.Echo("credentials withheld: " + code + " " + text);
    var same = Lumetta.HTTPDownloadEx("127.0.0.1", "/auth/redirect/same/auth/dl/image.png?@TAG@-same", 3);
    Host.Check(same && Lumetta.HowManyImagesInBuffer == images + 1, "a download sent on within the server: " +
               Lumetta.ErrorCode);
    var put = Lumetta.HTTPUploadThroughPut("127.0.0.1", 0, "/redirect/307/auth/empty/@TAG@-put.bmp");
    code = Lumetta.ErrorCode;
    Host.Check(!put && code == -2001, "a PUT sent on to another host that asks for credentials: " + put + " " + code);
    Lumetta.HTTPUserName = "";
    Lumetta.HTTPPassword = "";
    Host.Echo("redirect page done");
}
