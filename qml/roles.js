.pragma library
// Which side of the marketplace the signed-in person is on, from the user record the window
// holds: none while nobody is signed in.

function is(user, role) {
    return !!user && user.role === role
}
