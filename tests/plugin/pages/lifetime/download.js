// A download whose OnInternetTransferPercentage handler removes the element: the transfer thread
// still reads, and the member would decode what it read into the buffer.
function Lumetta_OnInternetTransferPercentage(percent) { removeElement(); }

function main() {
    Lumetta.IfShowUI = false;
    Lumetta.IfShowCancelDialogWhenImageTransfer = false;
    Lumetta.HTTPPort = parseInt("@HTTP_PORT@", 10);
    Lumetta.HTTPDownload("127.0.0.1", "/dl/slow/image.bmp");
    afterRemoval("OnInternetTransferPercentage of a download");
}
