#pragma once

// Keeps the toolkit's own diagnostic lines ("QIODevice::read (QFile, ...): device not
// open") off the person's terminal: every failure they could stand for is reported by the
// programs themselves, with the file and the reason. Only a fatal message still goes to
// standard error, before the program ends.
void KeepToolkitMessagesQuiet();
