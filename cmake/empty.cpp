// Deliberately empty: lets a target exist before its sources do.
