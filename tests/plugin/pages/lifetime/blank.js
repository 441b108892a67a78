// IsBlankImageEx runs on a worker; its OnBeforeOperate handler removes the element while the
// member waits for the worker, which still hands back its result and settings afterwards.
function Lumetta_OnBeforeOperate(operation, description) { removeElement(); }

function main() {
    loadPicture(64, 48);
    Lumetta.IfShowProgressBar = false;
    Lumetta.IsBlankImageEx(0, 0, 0, -1, -1, false);
    afterRemoval("OnBeforeOperate");
}
