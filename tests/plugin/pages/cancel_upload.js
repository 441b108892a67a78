// The plug-in's upload progress as a page sees it: OnInternetTransferPercentage gets the percent
// only, and the page stops an upload by setting IfCancelTransfer inside that handler. The picture
// comes in as a script array of bytes (makeBmp: tests/support/pages/page_bytes.js, put before this
// page). page_with_server.sh fills in @HTTP_PORT@.
var percents = [], extraArguments = 0, cancelAt = 2;
function Lumetta_OnInternetTransferPercentage(percent) {
    percents.push(percent);
    extraArguments += arguments.length - 1;
    if (percents.length == cancelAt) Lumetta.IfCancelTransfer = true;
}

function main() {
    Lumetta.IfShowUI = false;
    Lumetta.IfShowCancelDialogWhenImageTransfer = false;
    var bmp = makeBmp(200, 200);  // 120 KB: many pieces on the way to the server
    Host.Check(Lumetta.LoadImageFromBytes(bmp.length, bmp, 0), "a 200 x 200 picture from bytes: " + Lumetta.ErrorCode);
    Lumetta.HTTPPort = parseInt("@HTTP_PORT@", 10);

    var sent = Lumetta.HTTPUploadThroughPost("127.0.0.1", 0, "/empty", "big.bmp");
    Host.Check(!sent && Lumetta.ErrorCode == -1032, "the page stopped the upload: " + sent + " " + Lumetta.ErrorCode);
    Host.Check(percents.length == cancelAt, "no percentage after the cancel: " + percents.join());
    Host.Check(extraArguments == 0, "the percentage event carries the percent only");

    // Once the page clears the flag, the next upload runs to its end.
    Lumetta.IfCancelTransfer = false;
    percents = [];
    cancelAt = -1;
    sent = Lumetta.HTTPUploadThroughPost("127.0.0.1", 0, "/empty", "big.bmp");
    Host.Check(sent, "the next upload runs through: " + Lumetta.ErrorCode + " " + Lumetta.ErrorString);
    Host.Check(percents.length > 2 && percents[percents.length - 1] == 100, "its percentages end at 100: " + percents.join());
}
