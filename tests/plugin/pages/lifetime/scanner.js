// Page handlers of a scan's own events try to close or switch the source while the batch still
// calls it (without a TWAIN thread the handlers run inside the batch): each is refused as a busy
// source, and the scan ends with both pages. After it the page closes the source at will. (The
// control's page reaches the scanners through SupportedDeviceType; the plug-in's NPRuntime object
// lists only cameras, so its scanner pages are the gtests of plugin_engine_test.)
var tried = [], ended = false, scanner = -1;
function attempt(what, done) { tried.push(what + " " + done + " " + Lumetta.ErrorCode); }
function tryToLetGo() {
    attempt("CloseSource", Lumetta.CloseSource());
    attempt("SelectSourceByIndex", Lumetta.SelectSourceByIndex(scanner));
}
function Lumetta_OnPreAllTransfers() { tryToLetGo(); }
function Lumetta_OnPreTransfer() { tryToLetGo(); }
function Lumetta_OnPostTransfer() { tryToLetGo(); }
function Lumetta_OnPostAllTransfers() { ended = true; }

function main() {
    if (Host.Name == "control") Lumetta.IfThrowException = false;
    Lumetta.IfShowUI = false;
    Lumetta.SupportedDeviceType = 0;
    for (var i = 0; i < Lumetta.SourceCount; ++i)
        if (Lumetta.GetSourceNameItems(i).indexOf("Lumetta Test Scanner") >= 0) scanner = i;
    Host.Check(scanner >= 0, "the test scanner is listed");
    Host.Check(Lumetta.SelectSourceByIndex(scanner), "the test scanner selected: " + Lumetta.ErrorCode);
    Host.Check(Lumetta.AcquireImage(), "the scan starts: " + Lumetta.ErrorCode + " " + Lumetta.ErrorString);
    for (var waited = 0; waited < 15000 && !ended; waited += 50) Host.Wait(50);
    Host.Check(ended, "the scan ended");
    Host.Check(Lumetta.HowManyImagesInBuffer == 2, "both pages in the buffer: " + Lumetta.HowManyImagesInBuffer);
    var refused = ["CloseSource false -1004", "SelectSourceByIndex false -1004"];
    var expected = [];
    for (var k = 0; k < 5; ++k) expected = expected.concat(refused);  // the batch's start, and each page twice
    Host.Check(tried.join() == expected.join(), "refused as a busy source: " + tried.join());
    Host.Check(Lumetta.CloseSource(), "the source closed after the scan: " + Lumetta.ErrorCode);
    Host.Check(Lumetta.AcquireImage(), "a second scan opens it again: " + Lumetta.ErrorCode);
    for (var again = 0; again < 15000 && Lumetta.HowManyImagesInBuffer < 4; again += 50) Host.Wait(50);
    Host.Check(Lumetta.HowManyImagesInBuffer == 4, "the second scan's pages: " + Lumetta.HowManyImagesInBuffer);
    Host.Echo("the page goes on after the scanner's events");
}
