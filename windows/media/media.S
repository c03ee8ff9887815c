# The media the program carries, linked in as read-only bytes. One form serves ELF and PE:
# ".rdata" with the "a" flag is read-only data for both assemblers, and x86-64 symbols carry
# no leading underscore on either. Each item has a begin label and an assembled size.

    .section .rdata,"a"

    .balign 16
    .globl love_media_sprite_begin
love_media_sprite_begin:
    .incbin "sprite.gif"
love_media_sprite_end:

    .balign 16
    .globl love_media_music_begin
love_media_music_begin:
    .incbin "music.wav"
love_media_music_end:

    .balign 16
    .globl love_media_photo_begin
love_media_photo_begin:
    .incbin "photo.jpg"
love_media_photo_end:

    .balign 16
    .globl love_media_icon_begin
love_media_icon_begin:
    .incbin "icon.argb"
love_media_icon_end:

    .balign 8
    .globl love_media_sprite_size
love_media_sprite_size:
    .quad love_media_sprite_end - love_media_sprite_begin
    .globl love_media_music_size
love_media_music_size:
    .quad love_media_music_end - love_media_music_begin
    .globl love_media_photo_size
love_media_photo_size:
    .quad love_media_photo_end - love_media_photo_begin
    .globl love_media_icon_size
love_media_icon_size:
    .quad love_media_icon_end - love_media_icon_begin
