#pragma once

// Adds the CA certificate embedded at build time (if any) to the default TLS configuration, next
// to the system's CAs. Verification stays on; this only widens whom we trust.
// Returns the number of certificates added.
int installEmbeddedCa();
