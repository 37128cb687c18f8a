#pragma once
// Builds the process-wide registry as start-up does, but with the popup service
// replaced by a recorder, so a report never waits for a click; clears the records.
void use_recording_popups();
