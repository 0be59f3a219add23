.pragma library
// The two sides of the marketplace as the service names them, and which side the signed-in
// person is on, from the user record the window holds: none while nobody is signed in.

var client = "client"
var freelancer = "freelancer"

function is(user, role) {
    return !!user && user.role === role
}
