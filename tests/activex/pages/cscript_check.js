// Wine's cscript as a second, smaller host: it creates the control by ProgID but gives it no
// client site and binds no events, so only the ungated members answer.
var failures = 0;
function check(ok, text) { if (!ok) { failures++; WScript.Echo("FAIL: " + text); } }
var control = new ActiveXObject("LumettaCtrl.Lumetta");
control.JPEGQuality = 61;
check(control.JPEGQuality == 61, "JPEGQuality round trip");
check(control.MaxImagesInBuffer == 64, "MaxImagesInBuffer");
var gated = false;
try { control.ErrorCode; } catch (e) { gated = true; }
check(gated, "ErrorCode is gated without a site");
var cancel = new ActiveXObject("PallastraCtrl.Cancel.1");
cancel.Cancelled = true;
check(cancel.Cancelled == true, "Cancel object");
WScript.Echo("cscript check done");
WScript.Quit(failures);
