// An upload whose OnInternetTransferPercentage handler removes the element: the transfer thread
// still runs and the member still waits for it.
function Lumetta_OnInternetTransferPercentage(percent) { removeElement(); }

function main() {
    loadPicture(80, 80);  // 19 KB: three pieces on the way to the server
    Lumetta.IfShowCancelDialogWhenImageTransfer = false;
    Lumetta.HTTPPort = parseInt("@HTTP_PORT@", 10);
    Lumetta.HTTPUploadThroughPost("127.0.0.1", 0, "/empty", "big.bmp");
    afterRemoval("OnInternetTransferPercentage of an upload");
}
